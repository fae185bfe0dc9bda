#include "InPortServant.h"

#include "CallTimeouts.h"
#include "ConnectionBuffer.h"
#include "ConnectionWatcher.h"
#include "InPortCdrServant.h"
#include "Log.h"
#include "NameValues.h"
#include "OutPortSource.h"
#include "PeerPort.h"
#include "TextUtil.h"
#include "TopicTransport.h"

#include <algorithm>

namespace RTC
{
  InPortServant::InPortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                               const std::string& instanceName, InPortBase& port,
                               const std::shared_ptr<ServantLifetime>& lifetime)
    : PortServant(orb, poa, instanceName, port.getName(), port.dataType(), lifetime), m_port(port)
  {
  }

  RTC::ReturnCode_t InPortServant::join(RTC::ConnectorProfile& profile, const Agreement& agreement,
                                        long index, Connection& connection)
  {
    if (agreement.topic)
      {
        std::string problem;
        connection.buffer = m_port.addConnection(agreement.settings);
        connection.topicEnd = joinTopicAsReader(agreement.settings, agreement.topicTerms, m_port,
                                                connection.buffer, problem);
        if (!connection.topicEnd)
          {
            releaseEnd(connection);
            return refuse(profile, problem);
          }
        const RTC::ReturnCode_t result = notifyNext(profile, index);
        if (result != RTC::RTC_OK) { releaseEnd(connection); }
        return result;
      }
    if (agreement.settings.pull)
      {
        // The writer after us has published its source by the time it answers.
        RTC::ReturnCode_t result = notifyNext(profile, index);
        std::string problem;
        if (result == RTC::RTC_OK && !subscribe(profile, agreement, connection, problem))
          {
            result = refuse(profile, problem);
          }
        return result;
      }
    // Published before the writer after us subscribes to it.
    return publishThenNotify(profile, index, connection,
                             [&] { publish(profile, agreement, connection); });
  }

  void InPortServant::publish(RTC::ConnectorProfile& profile, const Agreement& agreement,
                              Connection& connection)
  {
    connection.buffer = m_port.addConnection(agreement.settings);
    PortableServer::Servant_var<InPortCdrServant> sink =
      new InPortCdrServant(m_port, connection.buffer, agreement.swapped, m_lifetime);
    connection.sinkId = m_poa->activate_object(sink.in());
    connection.hasSink = true;
    CORBA::Object_var object = m_poa->id_to_reference(connection.sinkId.in());
    OpenRTM::InPortCdr_var reference = OpenRTM::InPortCdr::_narrow(object);
    CORBA::String_var ior = m_orb->object_to_string(object.in());
    // An OpenRTM-aist out port after us drops non-string values: the string IOR is what counts.
    setString(profile.properties, kInportIorKey, ior.in());
    CORBA::Any ref;
    ref <<= reference.in();
    setValue(profile.properties, kInportRefKey, ref);
  }

  bool InPortServant::subscribe(const RTC::ConnectorProfile& profile, const Agreement& agreement,
                                Connection& connection, std::string& problem)
  {
    CORBA::Object_var object;
    std::string ior;
    try
      {
        if (findString(profile.properties, kOutportIorKey, ior))
          {
            object = m_orb->string_to_object(ior.c_str());
          }
        else if (const CORBA::Any* ref = findValue(profile.properties, kOutportRefKey))
          {
            *ref >>= CORBA::Any::to_object(object.out());
          }
        else
          {
            problem = "the out port published neither " + std::string(kOutportIorKey) + " nor " +
                      kOutportRefKey;
            return false;
          }
        if (!CORBA::is_nil(object)) { CallTimeouts::apply(object.in(), TimeOuts::kDataCall); }
        OpenRTM::OutPortCdr_var source = OpenRTM::OutPortCdr::_narrow(object.in());
        if (CORBA::is_nil(source))
          {
            problem = "the out port published no OutPortCdr object";
            return false;
          }
        const bool eachOnce = toLower(trim(stringOr(profile.properties, kEachOnceKey))) == "yes";
        connection.buffer = m_port.addConnection(
          agreement.settings,
          std::make_shared<OutPortSource>(m_port, source.in(), agreement.swapped, eachOnce,
                                          agreement.settings.name));
        return true;
      }
    catch (const CORBA::Exception& e)
      {
        problem = "the out port's data object does not answer (" + std::string(e._name()) + ")";
        return false;
      }
  }

  void InPortServant::releaseEnd(Connection& connection)
  {
    // No sample reaches the buffer once the reader is gone.
    connection.topicEnd.reset();
    if (connection.buffer) { m_port.removeConnection(connection.buffer->settings().id); }
    if (!connection.hasSink) { return; }
    try
      {
        m_poa->deactivate_object(connection.sinkId.in());
      }
    catch (const CORBA::Exception&)
      {
        // Already gone with the POA.
      }
  }

  void InPortServant::fillStatus(RTC::ConnectorProfile& profile, const Connection& connection)
  {
    PortServant::fillStatus(profile, connection);
    if (connection.topicEnd)
      {
        setString(profile.properties, kMatchedKey, std::to_string(connection.topicEnd->matched()));
      }
  }

  void InPortServant::pruneLocked()
  {
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                       [](const Connection& c) { return c.buffer->closed(); }),
                        m_connections.end());
  }

  void InPortServant::dropAbandonedConnections()
  {
    ServantLifetime::Use use(*m_lifetime);
    std::vector<RTC::ConnectorProfile> profiles;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      pruneLocked();
      for (const Connection& connection : m_connections) { profiles.push_back(connection.profile); }
    }
    RTC::PortService_var self = reference();
    for (const RTC::ConnectorProfile& profile : profiles)
      {
        const ConnectionWatcher::Answer answer = ConnectionWatcher::askWriters(profile, self.in());
        const std::string id = profile.connector_id.in();
        Connection removed;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          auto found =
            std::find_if(m_connections.begin(), m_connections.end(),
                         [&id](const Connection& c) { return id == c.profile.connector_id.in(); });
          if (found == m_connections.end()) { continue; }
          if (!ConnectionWatcher::abandoned(answer, found->misses)) { continue; }
          removed = *found;
          m_connections.erase(found);
        }
        releaseEnd(removed);
        Log::warn("port " + name() + ": writer of connection '" + connectionName(profile) +
                  "' is gone; connection dropped");
      }
  }
}
