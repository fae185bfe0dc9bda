#include "InPortServant.h"

#include "CallTimeouts.h"
#include "ConnectionBuffer.h"

namespace RTC
{
  InPortServant::InPortServant(InPortBase& port, const std::shared_ptr<ServantLifetime>& lifetime)
    : m_port(port), m_lifetime(lifetime)
  {
  }

  CORBA::Boolean InPortServant::put(const char* connectionId, const RTCRemote::EncodedValue& value,
                                    CORBA::ULong& buffered, CORBA::ULongLong& dropped)
  {
    ServantLifetime::Use use(*m_lifetime);
    buffered = 0;
    dropped = 0;
    std::shared_ptr<ConnectionBuffer> buffer = m_port.findConnection(connectionId);
    if (!buffer) { return false; }
    const CORBA::Octet* bytes = value.get_buffer();
    if (!buffer->push(EncodedValue(bytes, bytes + value.length()))) { return false; }
    ConnectionStatus status = buffer->status();
    buffered = static_cast<CORBA::ULong>(status.buffered);
    dropped = status.dropped;
    return true;
  }

  CORBA::Boolean InPortServant::closeConnection(const char* connectionId)
  {
    ServantLifetime::Use use(*m_lifetime);
    RTCRemote::ComponentControl_var writer = forgetWriter(connectionId);
    return m_port.removeConnection(connectionId);
  }

  void InPortServant::rememberWriter(const std::string& connectionId, RTCRemote::ComponentControl_ptr writer)
  {
    RTCRemote::ComponentControl_var reference = RTCRemote::ComponentControl::_duplicate(writer);
    CallTimeouts::apply(reference.in(), CallTimeouts::peer);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writers[connectionId] = reference;
  }

  RTCRemote::ComponentControl_ptr InPortServant::forgetWriter(const std::string& connectionId)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_writers.find(connectionId);
    if (found == m_writers.end()) { return RTCRemote::ComponentControl::_nil(); }
    RTCRemote::ComponentControl_ptr writer = found->second._retn();
    m_writers.erase(found);
    return writer;
  }

  std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> InPortServant::forgetAllWriters()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> writers(m_writers.begin(), m_writers.end());
    m_writers.clear();
    return writers;
  }
}
