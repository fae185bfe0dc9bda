#include "OutPortServant.h"

#include "CdrConnector.h"
#include "ConnectionBuffer.h"
#include "InPortCdrServant.h"
#include "InProcessConnector.h"
#include "NameValues.h"
#include "OutPortCdrServant.h"
#include "PeerPort.h"
#include "PublisherConnector.h"
#include "PullConnector.h"
#include "TopicTransport.h"

#include <omniORB4/minorCode.h>

#include <algorithm>
#include <set>

namespace RTC
{
  OutPortServant::OutPortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                                 const std::string& instanceName, OutPortBase& port,
                                 const std::shared_ptr<ServantLifetime>& lifetime)
    : PortServant(orb, poa, instanceName, port.getName(), port.dataType(), lifetime), m_port(port)
  {
  }

  RTC::ReturnCode_t OutPortServant::join(RTC::ConnectorProfile& profile, const Agreement& agreement,
                                         long index, Connection& connection)
  {
    if (agreement.topic)
      {
        // Each port of a topic connection joins the topic by itself.
        std::string problem;
        std::shared_ptr<OutPortConnector> writer =
          joinTopicAsWriter(agreement.settings, agreement.topicTerms, dataType(), problem);
        if (!writer) { return refuse(profile, problem); }
        m_port.addConnector(writer);
        const RTC::ReturnCode_t result = notifyNext(profile, index);
        if (result != RTC::RTC_OK) { m_port.removeConnector(agreement.settings.id); }
        return result;
      }
    if (agreement.settings.pull)
      {
        // Published before the reader after us subscribes to it.
        return publishThenNotify(profile, index, connection,
                                 [&] { publish(profile, agreement, connection); });
      }
    // The reader after us has published its sink by the time it answers.
    RTC::ReturnCode_t result = notifyNext(profile, index);
    std::string problem;
    if (result == RTC::RTC_OK && !subscribe(profile, agreement, problem))
      {
        result = refuse(profile, problem);
      }
    return result;
  }

  void OutPortServant::publish(RTC::ConnectorProfile& profile, const Agreement& agreement,
                               Connection& connection)
  {
    auto connector = std::make_shared<PullConnector>(agreement.settings, agreement.swapped);
    PortableServer::Servant_var<OutPortCdrServant> source =
      new OutPortCdrServant(connector, m_lifetime);
    connection.profile.connector_id = profile.connector_id;   // for releaseEnd on failure
    connection.sinkId = m_poa->activate_object(source.in());
    connection.hasSink = true;
    m_port.addConnector(connector);
    CORBA::Object_var object = m_poa->id_to_reference(connection.sinkId.in());
    OpenRTM::OutPortCdr_var reference = OpenRTM::OutPortCdr::_narrow(object);
    CORBA::String_var ior = m_orb->object_to_string(object.in());
    // An OpenRTM-aist in port after us drops non-string values: the string IOR is what counts.
    setString(profile.properties, kOutportIorKey, ior.in());
    CORBA::Any ref;
    ref <<= reference.in();
    setValue(profile.properties, kOutportRefKey, ref);
    setString(profile.properties, kEachOnceKey, "YES");
  }

  void OutPortServant::releaseEnd(Connection& connection)
  {
    if (!connection.hasSink) { return; }
    m_port.removeConnector(connection.profile.connector_id.in());
    try
      {
        m_poa->deactivate_object(connection.sinkId.in());
      }
    catch (const CORBA::Exception&)
      {
        // Already gone with the POA.
      }
  }

  void OutPortServant::stopWriting(const std::string& connectorId)
  {
    m_port.removeConnector(connectorId);
  }

  void OutPortServant::fillStatus(RTC::ConnectorProfile& profile, const Connection& connection)
  {
    (void)connection;
    const std::string id = profile.connector_id.in();
    for (const ConnectionStatus& status : m_port.connections())
      {
        if (status.settings.id == id && status.matched >= 0)
          {
            setString(profile.properties, kMatchedKey, std::to_string(status.matched));
          }
      }
  }

  void OutPortServant::pruneLocked()
  {
    // The out port drops a connection whose reader has gone by itself; the other ports are
    // told later, off the caller's thread (see dropAbandonedConnections).
    std::set<std::string> live;
    for (const ConnectionStatus& status : m_port.connections()) { live.insert(status.settings.id); }
    auto gone = std::stable_partition(
      m_connections.begin(), m_connections.end(),
      [&live](const Connection& c) { return live.count(c.profile.connector_id.in()) != 0; });
    for (auto it = gone; it != m_connections.end(); ++it)
      {
        m_untold.push_back(Untold{it->profile, 0});
      }
    m_connections.erase(gone, m_connections.end());
  }

  bool OutPortServant::subscribe(const RTC::ConnectorProfile& profile, const Agreement& agreement,
                                 std::string& problem)
  {
    CORBA::Object_var object;
    std::string ior;
    if (findString(profile.properties, kInportIorKey, ior))
      {
        try
          {
            object = m_orb->string_to_object(ior.c_str());
          }
        catch (const CORBA::Exception&)
          {
            problem = std::string(kInportIorKey) + " is not an object reference";
            return false;
          }
      }
    else if (const CORBA::Any* ref = findValue(profile.properties, kInportRefKey))
      {
        if (!(*ref >>= CORBA::Any::to_object(object.out())))
          {
            problem = std::string(kInportRefKey) + " is not an object reference";
            return false;
          }
      }
    else
      {
        problem =
          "the in port published neither " + std::string(kInportIorKey) + " nor " + kInportRefKey;
        return false;
      }
    if (CORBA::is_nil(object))
      {
        problem = "the in port published a nil reference";
        return false;
      }

    // A reader in this process gets the value straight into its buffer.
    std::shared_ptr<ConnectionBuffer> localBuffer;
    try
      {
        PortableServer::ServantBase* servant = m_poa->reference_to_servant(object.in());
        if (InPortCdrServant* sink = dynamic_cast<InPortCdrServant*>(servant))
          {
            localBuffer = sink->buffer();
          }
        servant->_remove_ref();
      }
    catch (const CORBA::Exception&)
      {
        // Not an object of this process.
      }
    if (localBuffer)
      {
        m_port.addConnector(std::make_shared<InProcessConnector>(agreement.settings, localBuffer));
        return true;
      }

    OpenRTM::InPortCdr_var sink;
    try
      {
        CallTimeouts::apply(object.in(), TimeOuts::kDataCall);
        sink = OpenRTM::InPortCdr::_narrow(object.in());
      }
    catch (const CORBA::Exception& e)
      {
        problem = "the in port's data object does not answer (" + std::string(e._name()) + ")";
        return false;
      }
    if (CORBA::is_nil(sink))
      {
        problem = "the in port's data object is not an InPortCdr";
        return false;
      }
    if (!agreement.settings.publisherThread)
      {
        m_port.addConnector(
          std::make_shared<CdrConnector>(agreement.settings, sink.in(), agreement.swapped));
        return true;
      }
    // The publisher picks the reader's byte order and stamps; its inner connector sends the
    // bytes as given.
    ConnectionSettings inner = agreement.settings;
    inner.stampAt = StampStep::Never;
    m_port.addConnector(std::make_shared<PublisherConnector>(
      agreement.settings,
      std::unique_ptr<OutPortConnector>(new CdrConnector(inner, sink.in(), false)),
      agreement.swapped, TimeOuts::kDataCall));
    return true;
  }

  void OutPortServant::dropAbandonedConnections()
  {
    ServantLifetime::Use use(*m_lifetime);
    // A reader that only hung may come back: it should not keep waiting on a connection that
    // this side has dropped. Retried for a while while it still does not answer.
    std::vector<Untold> untold;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      pruneLocked();
      untold.swap(m_untold);
    }
    std::vector<Untold> again;
    for (Untold& entry : untold)
      {
        const RTC::ConnectorProfile& profile = entry.profile;
        bool hung = false;
        for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
          {
            if (isSelf(profile.ports[i])) { continue; }
            try
              {
                RTC::PortService_var port = peerPort(profile.ports[i].in(), TimeOuts::kDataCall);
                port->notify_disconnect(profile.connector_id.in());
              }
            catch (const CORBA::TIMEOUT&)
              {
                hung = true;
              }
            catch (const CORBA::TRANSIENT& e)
              {
                hung = hung || e.minor() == omni::TRANSIENT_CallTimedout;
              }
            catch (const CORBA::Exception&)
              {
                // Gone for good: nothing to tell.
              }
          }
        if (hung && ++entry.attempts < TimeOuts::kDroppedPeerAttempts) { again.push_back(entry); }
      }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_untold.insert(m_untold.end(), again.begin(), again.end());
  }

}
