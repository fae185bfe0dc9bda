// The remote face of one data port, as OpenRTM-aist's ports present themselves: its profile,
// and the connect protocol on connector profiles (connect, the chained notify_connect, and
// disconnect). What each direction makes of a connection is InPortServant's and
// OutPortServant's: an in port publishes one InPortCdr object per connection; an out port
// subscribes to the one its peer published and puts each written value into it.
//
// Calls arrive on ORB threads. No lock is held while another port is called, so a peer may
// call back (OpenRTM-aist 1.2 asks every port for its connector profiles while connecting).
#ifndef RTM_REMOTE_PORTSERVANT_H
#define RTM_REMOTE_PORTSERVANT_H

#include <rtm/PortConnection.h>
#include <rtm/idl/RtcInterfaces.hh>

#include "NoImplement.h"
#include "ServantLifetime.h"
#include "TopicRules.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace RTC
{
  // Where an in port publishes its InPortCdr object in the connector profile, for its writer:
  // as a stringified reference and as the object itself; a writer may take either.
  constexpr const char* kInportIorKey = "dataport.corba_cdr.inport_ior";
  constexpr const char* kInportRefKey = "dataport.corba_cdr.inport_ref";
  // Where an out port publishes its OutPortCdr object of a pull connection, for its reader.
  constexpr const char* kOutportIorKey = "dataport.corba_cdr.outport_ior";
  constexpr const char* kOutportRefKey = "dataport.corba_cdr.outport_ref";
  // Our own key, set by our out port on a pull connection: its get hands out each value once.
  // Without it (an OpenRTM-aist writer) get answers an empty queue with the last value again.
  constexpr const char* kEachOnceKey = "dataport.inkorvane.get_each_once";

  class ConnectionBuffer;
  class TopicReaderEnd;

  class PortServant : public NoImplement<POA_RTC::PortService>
  {
  public:
    // `instanceName`.`portName` is the port's name.
    PortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const std::string& instanceName,
                const std::string& portName, const std::string& dataType,
                const std::shared_ptr<ServantLifetime>& lifetime);

    // Once activated: its own reference and its component's.
    // Our own key beside OpenRTM-aist's: the DDS peers a topic connection has matched now.
    static const char* const kMatchedKey;

    void setReferences(RTC::PortService_ptr self, RTC::RTObject_ptr owner);
    RTC::PortService_ptr reference();
    // "<instance>.<port>"
    const std::string& name() const { return m_name; }
    const std::string& dataType() const { return m_dataType; }
    virtual bool isOut() const = 0;

    RTC::PortProfile* get_port_profile() override;
    // Never raises; lists a connection only once its notify_connect has completed here.
    RTC::ConnectorProfileList* get_connector_profiles() override;
    RTC::ConnectorProfile* get_connector_profile(const char* connectorId) override;
    RTC::ReturnCode_t connect(RTC::ConnectorProfile& profile) override;
    RTC::ReturnCode_t disconnect(const char* connectorId) override;
    RTC::ReturnCode_t disconnect_all() override;
    RTC::ReturnCode_t notify_connect(RTC::ConnectorProfile& profile) override;
    RTC::ReturnCode_t notify_disconnect(const char* connectorId) override;

    // Before the component goes: disconnects everything, telling the peers (bounded).
    void disconnectAllOnExit();
    // Drops the connections the other end has abandoned, or tells the other ends of the ones
    // this end dropped. Calls the peers, so it may take a call time-out per peer.
    virtual void dropAbandonedConnections() = 0;

  protected:
    struct Connection
    {
      RTC::ConnectorProfile profile;
      std::shared_ptr<ConnectionBuffer> buffer;   // in port
      PortableServer::ObjectId_var sinkId;        // its InPortCdr or (pull) OutPortCdr object
      bool hasSink = false;
      unsigned misses = 0;                        // in port: times the writer did not list it
      std::shared_ptr<TopicReaderEnd> topicEnd;   // in port joined to a topic
    };
    // What notify_connect reads from the connector properties.
    struct Agreement
    {
      ConnectionSettings settings;
      bool swapped = false;   // the peer's byte order is not ours
      bool topic = false;     // interface_type fast-rtps: this port joins topicTerms' topic
      TopicTerms topicTerms;
    };

    // This end's part of a connection being made: it makes its end in `connection` and tells
    // the port after it (notifyNext) at the point its direction needs. RTC_OK when made.
    virtual RTC::ReturnCode_t join(RTC::ConnectorProfile& profile, const Agreement& agreement,
                                   long index, Connection& connection) = 0;
    // Removing a connection: the writer stops before the rest of the chain is told, so no
    // value meets a closed reader; the reader lets go of its end after.
    virtual void stopWriting(const std::string& connectorId) { (void)connectorId; }
    virtual void releaseEnd(Connection& connection) { (void)connection; }
    // What the profile of a connection reports beyond what was agreed: the values its in port
    // dropped, the peers a topic connection has matched. Called with m_mutex held.
    virtual void fillStatus(RTC::ConnectorProfile& profile, const Connection& connection);
    // Forgets connections whose local end has gone meanwhile. Called with m_mutex held.
    virtual void pruneLocked() = 0;

    bool isSelf(RTC::PortService_ptr port);
    // Index of this port in the profile's port list; -1 when absent.
    long position(const RTC::ConnectorProfile& profile);
    // Logs the refusal and names it in the profile, which carries it back to the caller.
    RTC::ReturnCode_t refuse(RTC::ConnectorProfile& profile, const std::string& problem);
    RTC::ReturnCode_t notifyNext(RTC::ConnectorProfile& profile, long index);
    // For the end that serves the data object (an in port's InPortCdr, an out port's
    // OutPortCdr under pull): `publish` puts it into the profile before the port after this one
    // is told, so that port finds it; if publishing or the rest of the chain fails, the end is
    // released again.
    RTC::ReturnCode_t publishThenNotify(RTC::ConnectorProfile& profile, long index,
                                        Connection& connection,
                                        const std::function<void()>& publish);
    std::vector<RTC::ConnectorProfile> profiles();

    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    const std::shared_ptr<ServantLifetime> m_lifetime;
    std::mutex m_mutex;   // guards m_connections, m_pending and the subclasses' lists
    std::vector<Connection> m_connections;

  private:
    bool readAgreement(const RTC::ConnectorProfile& profile, Agreement& agreement,
                       std::string& problem);
    bool duplicateLocked(const RTC::ConnectorProfile& profile);
    // Tells the ports of `profile` in turn until one answers (the chain does the rest).
    RTC::ReturnCode_t disconnectAlong(const RTC::ConnectorProfile& profile,
                                      std::chrono::milliseconds timeout);
    // After a failed connect: every port of `profile` drops what it made of it.
    void forgetEverywhere(const RTC::ConnectorProfile& profile);
    void removeOwnEnd(const std::string& connectorId);
    // Removes this port's end; false when it was not here.
    bool removeLocal(const std::string& connectorId, Connection& removed);

    const std::string m_name;
    const std::string m_dataType;
    RTC::PortService_var m_self;
    RTC::RTObject_var m_owner;
    std::set<std::string> m_pending;   // ids inside notify_connect right now
  };
}

#endif
