#include "ComponentServant.h"

#include <rtm/RTObject.h>

#include "CallTimeouts.h"
#include "ConnectionBuffer.h"
#include "ComponentCore.h"
#include "CorbaRemoteLayer.h"
#include "ManagerImpl.h"
#include "PeriodicExecutionContext.h"
#include "PortConnect.h"
#include "ProfileConversion.h"
#include "RemoteConnector.h"

#include <set>

namespace RTC
{
  namespace
  {
    [[noreturn]] void refuse(const std::string& reason)
    {
      throw RTCRemote::ControlError(reason.c_str());
    }

    const RTCRemote::PortProfile* findPort(const RTCRemote::ComponentProfile& profile,
                                           const std::string& name)
    {
      for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
        {
          if (name == profile.ports[i].name.in()) { return &profile.ports[i]; }
        }
      return nullptr;
    }
  }

  ComponentServant::ComponentServant(CorbaRemoteLayer& layer, RTObject_impl& component)
    : m_layer(layer), m_component(component), m_instanceName(component.core().instanceName()),
      m_lifetime(std::make_shared<ServantLifetime>())
  {
  }

  void ComponentServant::serve(PortableServer::POA_ptr poa)
  {
    for (InPortBase* port : m_component.core().inPorts())
      {
        InPortObject& object = m_inPorts[port->getName()];
        object.servant = new InPortServant(*port, m_lifetime);
        object.id = poa->activate_object(object.servant.in());
        CORBA::Object_var reference = poa->id_to_reference(object.id.in());
        object.reference = RTCRemote::InPortEndpoint::_narrow(reference);
      }
    m_id = poa->activate_object(this);
    CORBA::Object_var reference = poa->id_to_reference(m_id.in());
    m_self = RTCRemote::ComponentControl::_narrow(reference);
  }

  void ComponentServant::retire(PortableServer::POA_ptr poa)
  {
    // Writers of other processes drop their ends now rather than find the reader gone later.
    for (auto& port : m_inPorts)
      {
        for (auto& writer : port.second.servant->forgetAllWriters())
          {
            try
              {
                writer.second->closeConnection(writer.first.c_str());
              }
            catch (const CORBA::Exception&)
              {
                // That writer is gone as well.
              }
          }
      }
    m_lifetime->retire();
    try
      {
        poa->deactivate_object(m_id.in());
        for (auto& port : m_inPorts) { poa->deactivate_object(port.second.id.in()); }
      }
    catch (const CORBA::Exception&)
      {
        // The POA is already being destroyed with the ORB.
      }
  }

  RTCRemote::ComponentControl_ptr ComponentServant::reference()
  {
    return RTCRemote::ComponentControl::_duplicate(m_self.in());
  }

  std::string ComponentServant::portText(const std::string& port) const
  {
    return m_instanceName + "." + port;
  }

  ComponentServant::InPortObject* ComponentServant::inPortObject(const std::string& port)
  {
    auto found = m_inPorts.find(port);
    return found == m_inPorts.end() ? nullptr : &found->second;
  }

  RTCRemote::ComponentProfile* ComponentServant::getProfile()
  {
    ServantLifetime::Use use(*m_lifetime);
    return makeProfile(m_component, m_layer.processToken());
  }

  RTCRemote::LifeCycleState ComponentServant::getState()
  {
    ServantLifetime::Use use(*m_lifetime);
    return toRemote(m_component.core().state());
  }

  void ComponentServant::changeState(const std::string& verb, StateRequest request)
  {
    PeriodicExecutionContext* context = m_component.core().executionContext();
    const LifeCycleState before = m_component.core().state();
    const ReturnCode_t result = context != nullptr ? (context->*request)() : PRECONDITION_NOT_MET;
    if (result == RTC_OK) { return; }
    if (result == PRECONDITION_NOT_MET)
      {
        refuse("cannot " + verb + " " + m_instanceName + ": it is " + toString(before));
      }
    refuse("cannot " + verb + " " + m_instanceName + ": its callback failed; it is now " +
           toString(m_component.core().state()));
  }

  void ComponentServant::activate()
  {
    ServantLifetime::Use use(*m_lifetime);
    changeState("activate", &PeriodicExecutionContext::activate);
  }

  void ComponentServant::deactivate()
  {
    ServantLifetime::Use use(*m_lifetime);
    changeState("deactivate", &PeriodicExecutionContext::deactivate);
  }

  void ComponentServant::reset()
  {
    ServantLifetime::Use use(*m_lifetime);
    changeState("reset", &PeriodicExecutionContext::reset);
  }

  void ComponentServant::setConfiguration(const char* setName, const char* param, const char* value)
  {
    ServantLifetime::Use use(*m_lifetime);
    ConfigAdmin& config = m_component.core().config();
    const std::string name(param);
    std::set<std::string> known;
    for (const ConfigAdmin::Parameter& parameter : config.parameters())
      {
        known.insert(parameter.name);
      }
    for (const auto& entry : config.activeValues()) { known.insert(entry.first); }
    if (known.count(name) == 0)
      {
        refuse(m_instanceName + " has no configuration parameter '" + name + "'");
      }
    std::string set(setName);
    if (set.empty()) { set = config.activeSet(); }
    // Recorded only: ConfigAdmin::update() applies it on the execution context at activation.
    config.setValue(set, name, value);
  }

  RTCRemote::ConnectionSettings*
  ComponentServant::connect(const char* localPortName, RTCRemote::ComponentControl_ptr peerArgument,
                            const char* peerPortName, const RTCRemote::NameValueList& properties)
  {
    ServantLifetime::Use use(*m_lifetime);
    LocalEnd local;
    local.port = localPortName;
    local.out = m_component.core().outPort(local.port);
    local.in = m_component.core().inPort(local.port);
    if (local.out == nullptr && local.in == nullptr)
      {
        refuse(m_instanceName + " has no port '" + local.port + "'");
      }
    if (CORBA::is_nil(peerArgument))
      {
        refuse("no peer component to connect " + portText(local.port) + " with");
      }

    RTCRemote::ComponentControl_var peer = RTCRemote::ComponentControl::_duplicate(peerArgument);
    CallTimeouts::apply(peer.in(), CallTimeouts::peer);
    RTCRemote::ComponentProfile_var peerProfile;
    try
      {
        peerProfile = peer->getProfile();
      }
    catch (const CORBA::SystemException& e)
      {
        refuse("the peer of " + portText(local.port) + " does not answer (" + e._name() + ")");
      }
    const std::string peerPort(peerPortName);
    const std::string peerText = std::string(peerProfile->instanceName.in()) + "." + peerPort;
    checkPeerPort(local, peerProfile.in(), peerPort, peerText);

    ConnectionSettings settings;
    std::string error;
    const std::string outText = local.out != nullptr ? portText(local.port) : peerText;
    const std::string inText = local.out != nullptr ? peerText : portText(local.port);
    if (!makeConnectionSettings(fromRemote(properties), outText, inText, settings, error))
      {
        refuse(error);
      }

    if (m_layer.processToken() == peerProfile->processToken.in())
      {
        connectInThisProcess(local, peerProfile->instanceName.in(), peerPort, settings);
      }
    else
      {
        try
          {
            connectToOtherProcess(local, peer.in(), peerPort, settings);
          }
        catch (const CORBA::SystemException& e)
          {
            refuse(peerText + " does not answer (" + e._name() + ")");
          }
      }
    return new RTCRemote::ConnectionSettings(toRemote(settings));
  }

  void ComponentServant::checkPeerPort(const LocalEnd& local,
                                       const RTCRemote::ComponentProfile& peerProfile,
                                       const std::string& peerPort, const std::string& peerText)
  {
    const RTCRemote::PortProfile* peerPortProfile = findPort(peerProfile, peerPort);
    if (peerPortProfile == nullptr)
      {
        refuse(std::string(peerProfile.instanceName.in()) + " has no port '" + peerPort + "'");
      }
    const bool peerIsOut = peerPortProfile->direction == RTCRemote::OUT_PORT;
    if ((local.out != nullptr) == peerIsOut)
      {
        refuse("cannot connect " + portText(local.port) + " and " + peerText + ": both are " +
               (peerIsOut ? "out" : "in") + " ports");
      }
    const std::string localType =
      local.out != nullptr ? local.out->dataType() : local.in->dataType();
    if (localType != peerPortProfile->dataType.in())
      {
        refuse("cannot connect " + portText(local.port) + " and " + peerText +
               ": data types differ (" + localType + " and " + peerPortProfile->dataType.in() +
               ")");
      }
  }

  void ComponentServant::connectInThisProcess(const LocalEnd& local,
                                              const std::string& peerInstance,
                                              const std::string& peerPort,
                                              const ConnectionSettings& settings)
  {
    RTObject_impl* other = m_layer.manager().findComponent(peerInstance);
    if (other == nullptr) { refuse(peerInstance + " is gone"); }
    OutPortBase* otherOut = other->core().outPort(peerPort);
    InPortBase* otherIn = other->core().inPort(peerPort);
    std::string error;
    bool made = local.out != nullptr
                  ? otherIn != nullptr && connectInProcess(*local.out, *otherIn, settings, error)
                  : otherOut != nullptr && connectInProcess(*otherOut, *local.in, settings, error);
    if (!made) { refuse(error.empty() ? peerInstance + "." + peerPort + " is gone" : error); }
  }

  void ComponentServant::connectToOtherProcess(const LocalEnd& local,
                                               RTCRemote::ComponentControl_ptr peer,
                                               const std::string& peerPort,
                                               const ConnectionSettings& settings)
  {
    if (local.out != nullptr)
      {
        RTCRemote::InPortEndpoint_var reader =
          peer->openInConnection(peerPort.c_str(), toRemote(settings), m_self.in());
        local.out->addConnector(std::make_shared<RemoteConnector>(settings, reader.in()));
        return;
      }
    InPortObject* object = inPortObject(local.port);
    if (object == nullptr)
      {
        refuse(portText(local.port) + " was added after start-up and cannot be reached");
      }
    local.in->addConnection(settings);
    object->servant->rememberWriter(settings.id, peer);
    try
      {
        peer->openOutConnection(peerPort.c_str(), toRemote(settings), object->reference.in());
      }
    catch (...)
      {
        RTCRemote::ComponentControl_var forgotten = object->servant->forgetWriter(settings.id);
        local.in->removeConnection(settings.id);
        throw;
      }
  }

  bool ComponentServant::closeLocalEnd(const std::string& connectionId)
  {
    std::vector<RTCRemote::ComponentControl_var> writers;
    return removeLocalEnds(connectionId, writers);
  }

  bool ComponentServant::removeLocalEnds(const std::string& connectionId,
                                         std::vector<RTCRemote::ComponentControl_var>& writers)
  {
    bool found = false;
    // An out port's connector removes the reader's end itself (in this process or remotely).
    for (OutPortBase* port : m_component.core().outPorts())
      {
        if (port->removeConnector(connectionId)) { found = true; }
      }
    for (InPortBase* port : m_component.core().inPorts())
      {
        if (!port->removeConnection(connectionId)) { continue; }
        found = true;
        InPortObject* object = inPortObject(port->getName());
        writers.push_back(object != nullptr ? object->servant->forgetWriter(connectionId)
                                            : RTCRemote::ComponentControl::_nil());
      }
    return found;
  }

  void ComponentServant::disconnect(const char* connectionIdText)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string connectionId(connectionIdText);
    std::vector<RTCRemote::ComponentControl_var> writers;
    if (!removeLocalEnds(connectionId, writers))
      {
        refuse(m_instanceName + " has no connection '" + connectionId + "'");
      }
    // Each removed in-port end has a writer to tell: in this process, or in another one.
    for (RTCRemote::ComponentControl_var& writer : writers)
      {
        if (CORBA::is_nil(writer))
          {
            m_layer.closeInProcess(connectionId);
            continue;
          }
        try
          {
            writer->closeConnection(connectionId.c_str());
          }
        catch (const CORBA::Exception&)
          {
            // The writer is gone; its end went with it.
          }
      }
  }

  void ComponentServant::exit()
  {
    ServantLifetime::Use use(*m_lifetime);
    // The caller learns that onDeactivated has returned; finalising happens after the reply.
    if (m_component.core().state() == ACTIVE_STATE)
      {
        if (PeriodicExecutionContext* context = m_component.core().executionContext())
          {
            context->deactivate();
          }
      }
    m_layer.requestExit(m_instanceName);
  }

  RTCRemote::InPortEndpoint_ptr
  ComponentServant::openInConnection(const char* port,
                                     const RTCRemote::ConnectionSettings& settings,
                                     RTCRemote::ComponentControl_ptr writer)
  {
    ServantLifetime::Use use(*m_lifetime);
    InPortBase* in = m_component.core().inPort(port);
    InPortObject* object = inPortObject(port);
    if (in == nullptr || object == nullptr)
      {
        refuse(m_instanceName + " has no in port '" + port + "'");
      }
    ConnectionSettings local = fromRemote(settings);
    in->addConnection(local);
    object->servant->rememberWriter(local.id, writer);
    return RTCRemote::InPortEndpoint::_duplicate(object->reference.in());
  }

  void ComponentServant::openOutConnection(const char* port,
                                           const RTCRemote::ConnectionSettings& settings,
                                           RTCRemote::InPortEndpoint_ptr reader)
  {
    ServantLifetime::Use use(*m_lifetime);
    OutPortBase* out = m_component.core().outPort(port);
    if (out == nullptr) { refuse(m_instanceName + " has no out port '" + port + "'"); }
    if (CORBA::is_nil(reader)) { refuse("no reader to connect " + portText(port) + " with"); }
    out->addConnector(std::make_shared<RemoteConnector>(fromRemote(settings), reader));
  }

  CORBA::Boolean ComponentServant::closeConnection(const char* connectionId)
  {
    ServantLifetime::Use use(*m_lifetime);
    return closeLocalEnd(connectionId);
  }

  CORBA::Boolean ComponentServant::hasConnection(const char* connectionIdText)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string connectionId(connectionIdText);
    for (OutPortBase* port : m_component.core().outPorts())
      {
        for (const ConnectionStatus& status : port->connections())
          {
            if (status.settings.id == connectionId) { return true; }
          }
      }
    for (InPortBase* port : m_component.core().inPorts())
      {
        if (port->findConnection(connectionId)) { return true; }
      }
    return false;
  }

  void ComponentServant::dropAbandonedConnections()
  {
    try
      {
        for (auto& port : m_inPorts) { port.second.servant->dropAbandonedConnections(); }
      }
    catch (const CORBA::OBJECT_NOT_EXIST&)
      {
        // Retired meanwhile.
      }
  }
}
