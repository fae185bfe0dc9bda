// The remote face of one component: profile, state changes, configuration, connections and
// exit, as ComponentControl.idl describes. Calls arrive on ORB threads; state changes are
// carried out by the component's execution context, and the call returns once they are done.
#ifndef RTM_REMOTE_COMPONENTSERVANT_H
#define RTM_REMOTE_COMPONENTSERVANT_H

#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>
#include <rtm/PortConnection.h>
#include <rtm/RTC.h>
#include <rtm/idl/ComponentControl.hh>

#include "InPortServant.h"
#include "ServantLifetime.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace RTC
{
  class CorbaRemoteLayer;
  class PeriodicExecutionContext;
  class RTObject_impl;

  class ComponentServant : public POA_RTCRemote::ComponentControl
  {
  public:
    ComponentServant(CorbaRemoteLayer& layer, RTObject_impl& component);

    // Activates this object and one object per in port in `poa`.
    void serve(PortableServer::POA_ptr poa);
    // Lets writers of remote connections into this component drop them, refuses further
    // calls, waits for the calls inside to leave, and deactivates the objects. The component
    // may be deleted afterwards.
    void retire(PortableServer::POA_ptr poa);
    RTCRemote::ComponentControl_ptr reference();

    RTCRemote::ComponentProfile* getProfile() override;
    RTCRemote::LifeCycleState getState() override;
    void activate() override;
    void deactivate() override;
    void reset() override;
    void setConfiguration(const char* setName, const char* param, const char* value) override;
    RTCRemote::ConnectionSettings* connect(const char* localPort,
                                           RTCRemote::ComponentControl_ptr peer,
                                           const char* peerPort,
                                           const RTCRemote::NameValueList& properties) override;
    void disconnect(const char* connectionId) override;
    void exit() override;
    RTCRemote::InPortEndpoint_ptr openInConnection(const char* port,
                                                   const RTCRemote::ConnectionSettings& settings,
                                                   RTCRemote::ComponentControl_ptr writer) override;
    void openOutConnection(const char* port, const RTCRemote::ConnectionSettings& settings,
                           RTCRemote::InPortEndpoint_ptr reader) override;
    CORBA::Boolean closeConnection(const char* connectionId) override;
    CORBA::Boolean hasConnection(const char* connectionId) override;

    // See InPortServant::dropAbandonedConnections; nothing once the component is retired.
    void dropAbandonedConnections();

  private:
    struct InPortObject
    {
      PortableServer::Servant_var<InPortServant> servant;
      PortableServer::ObjectId_var id;
      RTCRemote::InPortEndpoint_var reference;
    };

    // The port of this component being connected: exactly one of `out` and `in` is set.
    struct LocalEnd
    {
      std::string port;
      OutPortBase* out = nullptr;
      InPortBase* in = nullptr;
    };
    // Refuses a missing peer port, two ports of one direction and different data types.
    void checkPeerPort(const LocalEnd& local, const RTCRemote::ComponentProfile& peerProfile,
                       const std::string& peerPort, const std::string& peerText);
    void connectInThisProcess(const LocalEnd& local, const std::string& peerInstance,
                              const std::string& peerPort, const ConnectionSettings& settings);
    // Makes both ends; when the peer fails, nothing is left at this end. May throw CORBA system exceptions.
    void connectToOtherProcess(const LocalEnd& local, RTCRemote::ComponentControl_ptr peer,
                               const std::string& peerPort, const ConnectionSettings& settings);

    typedef ReturnCode_t (PeriodicExecutionContext::*StateRequest)();
    void changeState(const std::string& verb, StateRequest request);
    bool closeLocalEnd(const std::string& connectionId);
    // Removes this component's ends of a connection; `writers` gets the writer of each removed
    // in-port end (nil when it is in this process). False when there was none.
    bool removeLocalEnds(const std::string& connectionId,
                         std::vector<RTCRemote::ComponentControl_var>& writers);
    InPortObject* inPortObject(const std::string& port);
    std::string portText(const std::string& port) const;

    CorbaRemoteLayer& m_layer;
    RTObject_impl& m_component;
    const std::string m_instanceName;
    std::shared_ptr<ServantLifetime> m_lifetime;
    // Filled by serve() before any call can arrive, then only read.
    PortableServer::ObjectId_var m_id;
    RTCRemote::ComponentControl_var m_self;
    std::map<std::string, InPortObject> m_inPorts;
  };
}

#endif
