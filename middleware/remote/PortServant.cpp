#include "PortServant.h"

#include "CallTimeouts.h"
#include "CdrConnector.h"
#include "ConnectionBuffer.h"
#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "InProcessConnector.h"
#include "Log.h"
#include "NameValues.h"
#include "PublisherConnector.h"
#include "TextUtil.h"

#include <omniORB4/minorCode.h>

#include <algorithm>
#include <cstring>

namespace RTC
{
  namespace
  {
    const char* const kInportIorKey = "dataport.corba_cdr.inport_ior";
    const char* const kInportRefKey = "dataport.corba_cdr.inport_ref";
    const char* const kEndianKey = "dataport.serializer.cdr.endian";
    // Our own key: values the in port's full buffer lost on this connection.
    const char* const kDroppedKey = "dataport.inkorvane.dropped";

    // A nil port in a profile from outside shows as BAD_PARAM, like a port that does not answer.
    RTC::PortService_ptr duplicateWithTimeout(RTC::PortService_ptr object,
                                              std::chrono::milliseconds timeout)
    {
      if (CORBA::is_nil(object)) { throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO); }
      RTC::PortService_ptr copy = RTC::PortService::_duplicate(object);
      CallTimeouts::apply(copy, timeout);
      return copy;
    }

    std::string displayName(const RTC::ConnectorProfile& profile)
    {
      const std::string name = profile.name.in();
      return name.empty() ? std::string(profile.connector_id.in()) : name;
    }
  }

  PortServant::PortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa,
                           const std::string& instanceName, InPortBase* in, OutPortBase* out,
                           const std::shared_ptr<ServantLifetime>& lifetime)
    : m_orb(CORBA::ORB::_duplicate(orb)), m_poa(PortableServer::POA::_duplicate(poa)),
      m_name(instanceName + "." + (in != nullptr ? in->getName() : out->getName())), m_in(in),
      m_out(out), m_lifetime(lifetime)
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

  const std::string& PortServant::dataType() const
  {
    return m_in != nullptr ? m_in->dataType() : m_out->dataType();
  }

  bool PortServant::isSelf(RTC::PortService_ptr port)
  {
    return !CORBA::is_nil(port) && port->_is_equivalent(m_self.in());
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

  void PortServant::pruneLocked()
  {
    if (m_out == nullptr)
      {
        m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                           [](const Connection& c) { return c.buffer->closed(); }),
                            m_connections.end());
        return;
      }
    // The out port drops a connection whose reader has gone by itself; the other ports are
    // told later, off the caller's thread (see tellDroppedPeers).
    std::set<std::string> live;
    for (const ConnectionStatus& status : m_out->connections()) { live.insert(status.settings.id); }
    auto gone = std::stable_partition(
      m_connections.begin(), m_connections.end(),
      [&live](const Connection& c) { return live.count(c.profile.connector_id.in()) != 0; });
    for (auto it = gone; it != m_connections.end(); ++it)
      {
        m_untold.push_back(Untold{it->profile, 0});
      }
    m_connections.erase(gone, m_connections.end());
  }

  void PortServant::tellDroppedPeers()
  {
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
                RTC::PortService_var port =
                  duplicateWithTimeout(profile.ports[i].in(), TimeOuts::kDataCall);
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

  void PortServant::fillDropCounts(RTC::ConnectorProfile& profile, const Connection& connection)
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
            fillDropCounts(list[i], m_connections[i]);
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
        fillDropCounts(profile.inout(), connection);
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
    setString(properties, "dataport.interface_type", "corba_cdr");
    setString(properties, "dataport.dataflow_type", "push");
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
    agreement.settings.outPort = isOut() ? m_name : "peer";
    agreement.settings.inPort = isOut() ? "peer" : m_name;
    agreement.settings.id = profile.connector_id.in();
    agreement.settings.name = displayName(profile);
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
        if (allowDuplicates || existing.profile.ports.length() != profile.ports.length())
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
    Log::warn("port " + m_name + ": connection '" + displayName(profile) + "' refused: " + problem);
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
            RTC::PortService_var first =
              duplicateWithTimeout(profile.ports[0].in(), TimeOuts::kPeerCall);
            result = first->notify_connect(profile);
          }
      }
    catch (const CORBA::Exception& e)
      {
        Log::warn("port " + m_name + ": connecting '" + displayName(profile) +
                  "' failed: a port does not answer (" + e._name() + ")");
        result = RTC::BAD_PARAMETER;
      }
    // Whatever ends were made are removed again.
    if (result != RTC::RTC_OK) { forgetEverywhere(profile); }
    return result;
  }

  void PortServant::publish(RTC::ConnectorProfile& profile, const Agreement& agreement,
                            Connection& connection)
  {
    connection.buffer = m_in->addConnection(agreement.settings);
    PortableServer::Servant_var<InPortCdrServant> sink =
      new InPortCdrServant(*m_in, connection.buffer, agreement.swapped, m_lifetime);
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

  void PortServant::unpublish(Connection& connection)
  {
    if (connection.buffer) { m_in->removeConnection(connection.buffer->settings().id); }
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

  bool PortServant::subscribe(const RTC::ConnectorProfile& profile, const Agreement& agreement,
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
        m_out->addConnector(std::make_shared<InProcessConnector>(agreement.settings, localBuffer));
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
        m_out->addConnector(
          std::make_shared<CdrConnector>(agreement.settings, sink.in(), agreement.swapped));
        return true;
      }
    // The publisher picks the reader's byte order; its inner connector sends the bytes as given.
    m_out->addConnector(std::make_shared<PublisherConnector>(
      std::unique_ptr<OutPortConnector>(new CdrConnector(agreement.settings, sink.in(), false)),
      agreement.swapped, TimeOuts::kDataCall));
    return true;
  }

  RTC::ReturnCode_t PortServant::notifyNext(RTC::ConnectorProfile& profile, long index)
  {
    const CORBA::ULong next = static_cast<CORBA::ULong>(index + 1);
    if (next >= profile.ports.length()) { return RTC::RTC_OK; }
    try
      {
        RTC::PortService_var port =
          duplicateWithTimeout(profile.ports[next].in(), TimeOuts::kPeerCall);
        return port->notify_connect(profile);
      }
    catch (const CORBA::Exception& e)
      {
        Log::warn("port " + m_name + ": connection '" + displayName(profile) +
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
    if (!isOut())
      {
        try
          {
            publish(profile, agreement, connection);
          }
        catch (const CORBA::Exception& e)
          {
            unpublish(connection);
            return refuse(profile, std::string("cannot serve its data object (") + e._name() + ")");
          }
      }
    RTC::ReturnCode_t result = notifyNext(profile, index);
    if (result == RTC::RTC_OK && isOut() && !subscribe(profile, agreement, problem))
      {
        result = refuse(profile, problem);
      }
    if (result != RTC::RTC_OK)
      {
        if (!isOut()) { unpublish(connection); }
        return result;
      }
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
    if (isOut()) { m_out->removeConnector(connectorId); }
    RTC::ReturnCode_t result = RTC::RTC_OK;
    const long index = position(removed.profile);
    for (CORBA::ULong next = static_cast<CORBA::ULong>(index + 1);
         index >= 0 && next < removed.profile.ports.length(); ++next)
      {
        try
          {
            RTC::PortService_var port =
              duplicateWithTimeout(removed.profile.ports[next].in(), TimeOuts::kPeerCall);
            result = port->notify_disconnect(connectorId);
            break;
          }
        catch (const CORBA::Exception&)
          {
            // That port is gone; the one after it is told instead.
          }
      }
    if (!isOut()) { unpublish(removed); }
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
                RTC::PortService_var port = duplicateWithTimeout(profile.ports[i].in(), timeout);
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
    if (isOut()) { m_out->removeConnector(connectorId); }
    else { unpublish(removed); }
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
            RTC::PortService_var port =
              duplicateWithTimeout(profile.ports[i].in(), TimeOuts::kPeerCall);
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
    std::vector<RTC::ConnectorProfile> profiles;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (const Connection& connection : m_connections) { profiles.push_back(connection.profile); }
    }
    RTC::ReturnCode_t result = RTC::RTC_OK;
    for (const RTC::ConnectorProfile& profile : profiles)
      {
        if (disconnectAlong(profile, TimeOuts::kPeerCall) != RTC::RTC_OK)
          {
            result = RTC::RTC_ERROR;
          }
      }
    return result;
  }

  void PortServant::disconnectAllOnExit()
  {
    std::vector<RTC::ConnectorProfile> profiles;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (const Connection& connection : m_connections) { profiles.push_back(connection.profile); }
    }
    // A hung peer holds the exit no longer than one data call each.
    for (const RTC::ConnectorProfile& profile : profiles)
      {
        disconnectAlong(profile, TimeOuts::kDataCall);
      }
  }

  // ---- abandoned connections

  void PortServant::dropAbandonedConnections()
  {
    ServantLifetime::Use use(*m_lifetime);
    if (isOut())
      {
        tellDroppedPeers();
        return;
      }
    std::vector<RTC::ConnectorProfile> profiles;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      pruneLocked();
      for (const Connection& connection : m_connections) { profiles.push_back(connection.profile); }
    }
    for (const RTC::ConnectorProfile& profile : profiles)
      {
        const std::string id = profile.connector_id.in();
        bool gone = false;
        bool listed = false;
        bool asked = false;
        for (CORBA::ULong i = 0; i < profile.ports.length() && !gone; ++i)
          {
            if (isSelf(profile.ports[i])) { continue; }
            try
              {
                RTC::PortService_var writer =
                  duplicateWithTimeout(profile.ports[i].in(), TimeOuts::kDataCall);
                RTC::ConnectorProfileList_var list = writer->get_connector_profiles();
                asked = true;
                for (CORBA::ULong j = 0; j < list->length() && !listed; ++j)
                  {
                    listed = id == list[j].connector_id.in();
                  }
              }
            catch (const CORBA::TIMEOUT&)
              {
                // Busy or hung: its own time-out on putting decides.
              }
            catch (const CORBA::TRANSIENT& e)
              {
                gone = e.minor() != omni::TRANSIENT_CallTimedout;
              }
            catch (const CORBA::SystemException&)
              {
                gone = true;   // COMM_FAILURE, OBJECT_NOT_EXIST: the writer is gone
              }
          }
        Connection removed;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          auto found =
            std::find_if(m_connections.begin(), m_connections.end(),
                         [&id](const Connection& c) { return id == c.profile.connector_id.in(); });
          if (found == m_connections.end()) { continue; }
          // Not listed twice in a row: a writer lists a connection only once its own connect
          // has completed, which may be just after ours.
          if (!gone && (!asked || listed))
            {
              found->misses = 0;
              continue;
            }
          if (!gone && ++found->misses < 2) { continue; }
          removed = *found;
          m_connections.erase(found);
        }
        unpublish(removed);
        Log::warn("port " + m_name + ": writer of connection '" + displayName(profile) +
                  "' is gone; connection dropped");
      }
  }
}
