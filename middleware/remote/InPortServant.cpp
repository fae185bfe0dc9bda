#include "InPortServant.h"

#include "CallTimeouts.h"
#include "ConnectionBuffer.h"
#include "Log.h"

#include <omniORB4/minorCode.h>

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

  void InPortServant::rememberWriter(const std::string& connectionId,
                                     RTCRemote::ComponentControl_ptr writer)
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

  std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> InPortServant::writers()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>>(m_writers.begin(),
                                                                                m_writers.end());
  }

  void InPortServant::dropAbandonedConnections()
  {
    ServantLifetime::Use use(*m_lifetime);
    for (auto& writer : writers())
      {
        bool abandoned = false;
        try
          {
            abandoned = !writer.second->hasConnection(writer.first.c_str());
          }
        catch (const CORBA::TIMEOUT&)
          {
            // Busy or hung: its own time-out on pushing decides.
          }
        catch (const CORBA::TRANSIENT& e)
          {
            abandoned = e.minor() != omni::TRANSIENT_CallTimedout;
          }
        catch (const CORBA::SystemException&)
          {
            abandoned = true;   // COMM_FAILURE, OBJECT_NOT_EXIST: the writer is gone
          }
        if (!abandoned) { continue; }
        RTCRemote::ComponentControl_var forgotten = forgetWriter(writer.first);
        std::shared_ptr<ConnectionBuffer> buffer = m_port.findConnection(writer.first);
        if (buffer && m_port.removeConnection(writer.first))
          {
            Log::warn("port " + std::string(m_port.getName()) + ": writer of connection '" +
                      buffer->settings().name + "' is gone; connection dropped");
          }
      }
  }

  std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>>
  InPortServant::forgetAllWriters()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> writers(m_writers.begin(),
                                                                                 m_writers.end());
    m_writers.clear();
    return writers;
  }
}
