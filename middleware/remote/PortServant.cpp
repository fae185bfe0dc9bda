#include "PortServant.h"

#include "ConnectionBuffer.h"
#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "Log.h"
#include "NameValues.h"
#include "PeerPort.h"
#include "TextUtil.h"
#include "TopicTransport.h"

#include <algorithm>
#include <cstring>

namespace RTC
{
  namespace
  {
    const char* const kEndianKey = "dataport.serializer.cdr.endian";
    // Our own key: values the in port's full buffer lost on this connection.
    const char* const kDroppedKey = "dataport.inkorvane.dropped";
  }

  PortServant::PortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                           const std::string& instanceName, const std::string& portName,
                           const std::string& dataType,
                           const std::shared_ptr<ServantLifetime>& lifetime)
    : m_orb(CORBA::ORB::_duplicate(orb)), m_poa(PortableServer::POA::_duplicate(poa)),
      m_lifetime(lifetime), m_name(instanceName + "." + portName), m_dataType(dataType)
  {
  }

  void PortServant::setReferences(RTC::PortService_ptr self, RTC::RTObject_ptr owner)
  {
    m_self = RTC::PortService::_duplicate(self);
    m_owner = RTC::RTObject::_duplicate(owner);
  }

  RTC::PortService_ptr PortServant::reference()
  {
    return RTC::PortService::_duplicate(m_self.in());
  }

  bool PortServant::isSelf(RTC::PortService_ptr port)
  {
    return samePort(port, m_self.in());
  }

  long PortServant::position(const RTC::ConnectorProfile& profile)
  {
    for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
      {
        if (isSelf(profile.ports[i])) { return static_cast<long>(i); }
      }
    return -1;
  }

  // ---- profiles

  const char* const PortServant::kMatchedKey = "dataport.inkorvane.matched";

  void PortServant::fillStatus(RTC::ConnectorProfile& profile, const Connection& connection)
  {
    if (!connection.buffer) { return; }
    setString(profile.properties, kDroppedKey, std::to_string(connection.buffer->status().dropped));
  }

  RTC::ConnectorProfileList* PortServant::get_connector_profiles()
  {
    RTC::ConnectorProfileList_var list = new RTC::ConnectorProfileList;
    try
      {
        ServantLifetime::Use use(*m_lifetime);
        std::lock_guard<std::mutex> lock(m_mutex);
        pruneLocked();
        list->length(static_cast<CORBA::ULong>(m_connections.size()));
        for (CORBA::ULong i = 0; i < list->length(); ++i)
          {
            list[i] = m_connections[i].profile;
            fillStatus(list[i], m_connections[i]);
          }
      }
    catch (...)
      {
        // A peer's connect fails when this call raises: an empty list is the safe answer.
        list->length(0);
      }
    return list._retn();
  }

  RTC::ConnectorProfile* PortServant::get_connector_profile(const char* connectorId)
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ConnectorProfile_var profile = new RTC::ConnectorProfile;
    std::lock_guard<std::mutex> lock(m_mutex);
    pruneLocked();
    for (const Connection& connection : m_connections)
      {
        if (std::strcmp(connection.profile.connector_id.in(), connectorId) != 0) { continue; }
        profile = new RTC::ConnectorProfile(connection.profile);
        fillStatus(profile.inout(), connection);
        break;
      }
    return profile._retn();
  }

  RTC::PortProfile* PortServant::get_port_profile()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::PortProfile_var profile = new RTC::PortProfile;
    profile->name = CORBA::string_dup(m_name.c_str());
    profile->port_ref = RTC::PortService::_duplicate(m_self.in());
    profile->owner = RTC::RTObject::_duplicate(m_owner.in());
    RTC::ConnectorProfileList_var connections = get_connector_profiles();
    profile->connector_profiles = connections.in();
    SDOPackage::NVList& properties = profile->properties;
    setString(properties, "port.port_type", isOut() ? kOutPortType : kInPortType);
    setString(properties, "dataport.data_type", dataType());
    setString(properties, "dataport.interface_type", portInterfaceTypes());
    setString(properties, "dataport.dataflow_type", "push,pull");
    setString(properties, "dataport.subscription_type", isOut() ? "flush,new" : "Any");
    return profile._retn();
  }

  // ---- connecting

  bool PortServant::readAgreement(const RTC::ConnectorProfile& profile, Agreement& agreement,
                                  std::string& problem)
  {
    const coil::Properties properties = toProperties(profile.properties);
    ConnectorTerms terms;
    if (!readConnectorTerms(properties, isOut() ? ConnectorEnd::Writer : ConnectorEnd::Reader,
                            terms, problem) ||
        !checkDataTypes(connectorValue(properties, "data_type"), dataType(), problem))
      {
        return false;
      }
    agreement.swapped = terms.littleEndian != nativeLittleEndian();
    agreement.settings = terms.settings;
    agreement.topic = isTopicConnector(properties);
    if (agreement.topic)
      {
        if (!readTopicTerms(properties, agreement.topicTerms, problem)) { return false; }
        // A misspelt key would otherwise leave the topic at its default unnoticed.
        for (const std::string& key : agreement.topicTerms.unknownKeys)
          {
            Log::warn("port " + m_name + ": connection '" + connectionName(profile) +
                      "': unknown key '" + key + "' ignored");
          }
      }
    const std::string peer =
      agreement.topic ? topicEndName(agreement.topicTerms.topic) : std::string("peer");
    agreement.settings.outPort = isOut() ? m_name : peer;
    agreement.settings.inPort = isOut() ? peer : m_name;
    agreement.settings.id = profile.connector_id.in();
    agreement.settings.name = connectionName(profile);
    return true;
  }

  bool PortServant::duplicateLocked(const RTC::ConnectorProfile& profile)
  {
    const std::string id = profile.connector_id.in();
    if (m_pending.count(id) != 0) { return true; }
    const bool allowDuplicates =
      toLower(trim(stringOr(profile.properties, "dataport.allow_dup_connection"))) == "yes";
    for (const Connection& existing : m_connections)
      {
        if (id == existing.profile.connector_id.in()) { return true; }
        // A port may join several topics: one-sided connections are never the same ports again.
        if (allowDuplicates || profile.ports.length() < 2 ||
            existing.profile.ports.length() != profile.ports.length())
          {
            continue;
          }
        // The same ports connected again under another id.
        bool same = true;
        for (CORBA::ULong i = 0; same && i < profile.ports.length(); ++i)
          {
            bool found = false;
            for (CORBA::ULong j = 0; !found && j < existing.profile.ports.length(); ++j)
              {
                found = !CORBA::is_nil(profile.ports[i]) &&
                        profile.ports[i]->_is_equivalent(existing.profile.ports[j]);
              }
            same = found;
          }
        if (same) { return true; }
      }
    return false;
  }

  RTC::ReturnCode_t PortServant::refuse(RTC::ConnectorProfile& profile, const std::string& problem)
  {
    Log::warn("port " + m_name + ": connection '" + connectionName(profile) +
              "' refused: " + problem);
    setString(profile.properties, kRefusalKey, problem);
    return RTC::BAD_PARAMETER;
  }

  RTC::ReturnCode_t PortServant::connect(RTC::ConnectorProfile& profile)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (profile.ports.length() == 0) { return refuse(profile, "no ports given"); }
    for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
      {
        if (CORBA::is_nil(profile.ports[i])) { return refuse(profile, "a port is nil"); }
      }
    if (std::strlen(profile.connector_id.in()) == 0)
      {
        profile.connector_id = CORBA::string_dup(newConnectorId().c_str());
      }
    else
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Connection& existing : m_connections)
          {
            if (std::strcmp(existing.profile.connector_id.in(), profile.connector_id.in()) == 0)
              {
                return RTC::PRECONDITION_NOT_MET;
              }
          }
      }
    if (findValue(profile.properties, kEndianKey) == nullptr)
      {
        setString(profile.properties, kEndianKey, "little,big");
      }
    RTC::ReturnCode_t result = RTC::BAD_PARAMETER;
    try
      {
        if (isSelf(profile.ports[0])) { result = notify_connect(profile); }
        else
          {
            RTC::PortService_var first = peerPort(profile.ports[0].in(), TimeOuts::kPeerCall);
            result = first->notify_connect(profile);
          }
      }
    catch (const CORBA::Exception& e)
      {
        Log::warn("port " + m_name + ": connecting '" + connectionName(profile) +
                  "' failed: a port does not answer (" + e._name() + ")");
        result = RTC::BAD_PARAMETER;
      }
    // Whatever ends were made are removed again.
    if (result != RTC::RTC_OK) { forgetEverywhere(profile); }
    return result;
  }

  RTC::ReturnCode_t PortServant::publishThenNotify(RTC::ConnectorProfile& profile, long index,
                                                   Connection& connection,
                                                   const std::function<void()>& publish)
  {
    try
      {
        publish();
      }
    catch (const CORBA::Exception& e)
      {
        releaseEnd(connection);
        return refuse(profile, std::string("cannot serve its data object (") + e._name() + ")");
      }
    const RTC::ReturnCode_t result = notifyNext(profile, index);
    if (result != RTC::RTC_OK) { releaseEnd(connection); }
    return result;
  }

  RTC::ReturnCode_t PortServant::notifyNext(RTC::ConnectorProfile& profile, long index)
  {
    const CORBA::ULong next = static_cast<CORBA::ULong>(index + 1);
    if (next >= profile.ports.length()) { return RTC::RTC_OK; }
    try
      {
        RTC::PortService_var port = peerPort(profile.ports[next].in(), TimeOuts::kPeerCall);
        return port->notify_connect(profile);
      }
    catch (const CORBA::Exception& e)
      {
        Log::warn("port " + m_name + ": connection '" + connectionName(profile) +
                  "': the next port does not answer (" + e._name() + ")");
        return RTC::BAD_PARAMETER;
      }
  }

  RTC::ReturnCode_t PortServant::notify_connect(RTC::ConnectorProfile& profile)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string id = profile.connector_id.in();
    const long index = position(profile);
    if (index < 0) { return refuse(profile, "this port is not among its ports"); }
    if (id.empty()) { return refuse(profile, "no connector id"); }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      pruneLocked();
      if (duplicateLocked(profile)) { return RTC::PRECONDITION_NOT_MET; }
      m_pending.insert(id);
    }
    struct Pending
    {
      PortServant& port;
      const std::string& id;
      ~Pending()
      {
        std::lock_guard<std::mutex> lock(port.m_mutex);
        port.m_pending.erase(id);
      }
    } pending{*this, id};

    Agreement agreement;
    std::string problem;
    if (!readAgreement(profile, agreement, problem)) { return refuse(profile, problem); }

    Connection connection;
    const RTC::ReturnCode_t result = join(profile, agreement, index, connection);
    if (result != RTC::RTC_OK) { return result; }
    connection.profile = profile;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connections.push_back(connection);
    return RTC::RTC_OK;
  }

  // ---- disconnecting

  bool PortServant::removeLocal(const std::string& connectorId, Connection& removed)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found =
      std::find_if(m_connections.begin(), m_connections.end(), [&connectorId](const Connection& c) {
        return connectorId == c.profile.connector_id.in();
      });
    if (found == m_connections.end()) { return false; }
    removed = *found;
    m_connections.erase(found);
    return true;
  }

  RTC::ReturnCode_t PortServant::notify_disconnect(const char* connectorId)
  {
    ServantLifetime::Use use(*m_lifetime);
    Connection removed;
    if (!removeLocal(connectorId, removed)) { return RTC::BAD_PARAMETER; }
    // The writer stops before the reader goes, so no value meets a closed reader.
    stopWriting(connectorId);
    RTC::ReturnCode_t result = RTC::RTC_OK;
    const long index = position(removed.profile);
    for (CORBA::ULong next = static_cast<CORBA::ULong>(index + 1);
         index >= 0 && next < removed.profile.ports.length(); ++next)
      {
        try
          {
            RTC::PortService_var port =
              peerPort(removed.profile.ports[next].in(), TimeOuts::kPeerCall);
            result = port->notify_disconnect(connectorId);
            break;
          }
        catch (const CORBA::Exception&)
          {
            // That port is gone; the one after it is told instead.
          }
      }
    releaseEnd(removed);
    return result;
  }

  RTC::ReturnCode_t PortServant::disconnectAlong(const RTC::ConnectorProfile& profile,
                                                 std::chrono::milliseconds timeout)
  {
    const std::string id = profile.connector_id.in();
    RTC::ReturnCode_t result = RTC::BAD_PARAMETER;
    for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
      {
        try
          {
            if (isSelf(profile.ports[i])) { result = notify_disconnect(id.c_str()); }
            else
              {
                RTC::PortService_var port = peerPort(profile.ports[i].in(), timeout);
                result = port->notify_disconnect(id.c_str());
              }
            break;
          }
        catch (const CORBA::Exception&)
          {
            // Gone; try the next one.
          }
      }
    // A broken chain may not have reached this port.
    removeOwnEnd(id);
    return result;
  }

  void PortServant::removeOwnEnd(const std::string& connectorId)
  {
    Connection removed;
    if (!removeLocal(connectorId, removed)) { return; }
    stopWriting(connectorId);
    releaseEnd(removed);
  }

  void PortServant::forgetEverywhere(const RTC::ConnectorProfile& profile)
  {
    const std::string id = profile.connector_id.in();
    for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
      {
        if (isSelf(profile.ports[i]))
          {
            removeOwnEnd(id);
            continue;
          }
        try
          {
            RTC::PortService_var port = peerPort(profile.ports[i].in(), TimeOuts::kPeerCall);
            port->notify_disconnect(id.c_str());
          }
        catch (const CORBA::Exception&)
          {
            // Gone: nothing of the connection is left there.
          }
      }
  }

  RTC::ReturnCode_t PortServant::disconnect(const char* connectorId)
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ConnectorProfile profile;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                [connectorId](const Connection& c) {
                                  return std::strcmp(connectorId, c.profile.connector_id.in()) == 0;
                                });
      if (found == m_connections.end()) { return RTC::BAD_PARAMETER; }
      profile = found->profile;
    }
    return disconnectAlong(profile, TimeOuts::kPeerCall);
  }

  RTC::ReturnCode_t PortServant::disconnect_all()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ReturnCode_t result = RTC::RTC_OK;
    for (const RTC::ConnectorProfile& profile : profiles())
      {
        if (disconnectAlong(profile, TimeOuts::kPeerCall) != RTC::RTC_OK)
          {
            result = RTC::RTC_ERROR;
          }
      }
    return result;
  }

  std::vector<RTC::ConnectorProfile> PortServant::profiles()
  {
    std::vector<RTC::ConnectorProfile> result;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Connection& connection : m_connections) { result.push_back(connection.profile); }
    return result;
  }

  void PortServant::disconnectAllOnExit()
  {
    // A hung peer holds the exit no longer than one data call each.
    for (const RTC::ConnectorProfile& profile : profiles())
      {
        disconnectAlong(profile, TimeOuts::kDataCall);
      }
  }
}
