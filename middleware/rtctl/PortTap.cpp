#include "PortTap.h"

#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "RtctlSurface.h"
#include "RtcText.h"
#include "ToolError.h"

#include <rtm/InPortBase.h>

#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace rtctl
{
  // The in port the middleware's remote port serves: it checks each value's type, notes when
  // it arrived and keeps it in the connection's buffer.
  class TapInPort : public RTC::InPortBase
  {
  public:
    explicit TapInPort(const ValueReader& reader)
      : RTC::InPortBase("in", reader.dataType()), m_reader(reader)
    {
    }

    // On an ORB thread, just before the value is stored.
    bool acceptEncoded(RTC::EncodedValue& value, bool swapped) override
    {
      if (!m_reader.accept(value, swapped)) { return false; }
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_arrivals.push_back(PortTap::Clock::now());
        ++m_announced;
      }
      m_arrived.notify_all();
      return true;
    }

    bool take(RTC::EncodedValue& value) { return takeOldest(value); }

    void waitForArrival(std::chrono::milliseconds timeout)
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_arrived.wait_for(lock, timeout, [this] { return m_announced != m_seen; });
      m_seen = m_announced;
    }

    std::vector<PortTap::Clock::time_point> takeArrivals()
    {
      std::vector<PortTap::Clock::time_point> arrivals;
      std::lock_guard<std::mutex> lock(m_mutex);
      arrivals.swap(m_arrivals);
      return arrivals;
    }

  private:
    const ValueReader& m_reader;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<PortTap::Clock::time_point> m_arrivals;
    unsigned long long m_announced = 0;
    unsigned long long m_seen = 0;
  };

  PortTap::PortTap(ToolContext& context, const std::string& purpose, const ValueReader& reader)
    : m_context(context), m_port(new TapInPort(reader)),
      m_lifetime(std::make_shared<RTC::ServantLifetime>())
  {
    // The middleware's warnings would come on top of the one line rtctl prints for a failure.
    RTC::Log::configure(true, "ERROR");
    PortableServer::POA_ptr poa = context.servingPoa();
    const std::string instance = purpose + std::to_string(::getpid());
    m_servant = new RTC::InPortServant(context.orb(), poa, instance, *m_port, m_lifetime);
    try
      {
        m_id = poa->activate_object(m_servant);
        CORBA::Object_var object = poa->id_to_reference(m_id.in());
        RTC::PortService_var self = RTC::PortService::_narrow(object);
        m_servant->setReferences(self.in(), RTC::RTObject::_nil());
      }
    catch (const CORBA::Exception& e)
      {
        m_servant->_remove_ref();
        throw ToolError(std::string("cannot serve a port of its own (") + e._name() + ")");
      }
  }

  PortTap::~PortTap()
  {
    try
      {
        disconnect();
      }
    catch (const ToolError&)
      {
        // Leaving anyway: the writer drops the connection at its next value.
      }
    m_lifetime->retire();
    try
      {
        m_context.servingPoa()->deactivate_object(m_id.in());
      }
    catch (const CORBA::Exception&)
      {
        // Gone with the POA.
      }
    catch (const ToolError&)
      {
        // The same.
      }
    m_servant->_remove_ref();
  }

  void PortTap::connect(const PortEnd& end, std::size_t bufferLength, const coil::Properties& given)
  {
    RTC::ConnectorProfile profile;
    profile.name =
      CORBA::string_dup(RTC::defaultConnectorName(m_servant->name(), end.view.name).c_str());
    profile.connector_id = CORBA::string_dup("");
    // This port first, as a consumer's manager connects: it publishes its data object before
    // the out port subscribes.
    profile.ports.length(2);
    profile.ports[0] = m_servant->reference();
    profile.ports[1] = RTC::PortService::_duplicate(end.view.reference.in());
    // Push over corba_cdr with flush subscription unless `given` says otherwise; rtctl's own
    // buffer is always the same.
    coil::Properties keys = given;
    keys.setProperty("buffer.length", std::to_string(bufferLength));
    keys.setProperty("buffer.write.full_policy", "overwrite");
    profile.properties = RTC::toNameValues(RTC::connectorProperties(keys));
    const RTC::ReturnCode_t result = m_servant->connect(profile);
    if (result != RTC::RTC_OK)
      {
        throw ToolError("cannot connect to " + end.text + ": the port refused (" +
                        RTC::toString(result) + ")");
      }
    m_connectorId = profile.connector_id.in();
    m_peer = end.text;
  }

  void PortTap::joinTopic(const coil::Properties& given, std::size_t bufferLength)
  {
    coil::Properties keys = given;
    keys.setProperty("interface_type", RTC::kTopicInterface);
    keys.setProperty("buffer.length", std::to_string(bufferLength));
    keys.setProperty("buffer.write.full_policy", "overwrite");
    RTC::PortToConnect self;
    self.reference = m_servant->reference();
    self.name = m_servant->name();
    self.facts = {m_servant->name(), RTC::kInPortType, m_servant->dataType()};
    RTC::MadeConnector made;
    std::string refusal;
    if (!RTC::joinTopic(self, keys, made, refusal)) { throw ToolError(refusal); }
    m_connectorId = made.id;
    m_peer = "topic " + keys.getProperty("fastrtps.topic");
  }

  void PortTap::disconnect()
  {
    if (m_connectorId.empty()) { return; }
    const std::string id = m_connectorId;
    m_connectorId.clear();
    // BAD_PARAMETER: an end that had already dropped it.
    const RTC::ReturnCode_t result = m_servant->disconnect(id.c_str());
    if (result != RTC::RTC_OK && result != RTC::BAD_PARAMETER)
      {
        throw ToolError("cannot disconnect from " + m_peer + ": the port refused (" +
                        RTC::toString(result) + ")");
      }
  }

  void PortTap::waitForArrival(std::chrono::milliseconds timeout)
  {
    m_port->waitForArrival(timeout);
  }

  bool PortTap::take(RTC::EncodedValue& value)
  {
    return m_port->take(value);
  }

  std::vector<PortTap::Clock::time_point> PortTap::takeArrivals()
  {
    return m_port->takeArrivals();
  }

  unsigned long long PortTap::dropped()
  {
    unsigned long long dropped = 0;
    for (const RTC::ConnectionStatus& status : m_port->connections()) { dropped += status.dropped; }
    return dropped;
  }

  bool PortTap::stillConnected()
  {
    if (m_connectorId.empty()) { return false; }
    m_servant->dropAbandonedConnections();
    if (m_port->connections().empty())
      {
        // Already gone at the writer too, or never to be told: nothing left to disconnect.
        m_connectorId.clear();
        return false;
      }
    return true;
  }
}
