#include "RemoteConnector.h"

#include "CallTimeouts.h"

namespace RTC
{
  RemoteConnector::RemoteConnector(const ConnectionSettings& settings,
                                   RTCRemote::InPortEndpoint_ptr reader)
    : OutPortConnector(settings), m_reader(RTCRemote::InPortEndpoint::_duplicate(reader))
  {
    CallTimeouts::apply(m_reader.in(), CallTimeouts::data);
    m_status.settings = settings;
  }

  bool RemoteConnector::deliver(const EncodedValue& value)
  {
    // The sequence borrows the bytes (release = false); marshalling only reads them.
    const CORBA::ULong length = static_cast<CORBA::ULong>(value.size());
    RTCRemote::EncodedValue bytes(length, length, const_cast<CORBA::Octet*>(value.data()), false);
    bool accepted = false;
    CORBA::ULong buffered = 0;
    CORBA::ULongLong dropped = 0;
    try
      {
        accepted = m_reader->put(settings().id.c_str(), bytes, buffered, dropped);
      }
    catch (const CORBA::Exception&)
      {
        // TRANSIENT (refused, or timed out), COMM_FAILURE, OBJECT_NOT_EXIST: the reader is gone.
        accepted = false;
      }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!accepted)
      {
        m_broken = true;
        return false;
      }
    m_status.buffered = buffered;
    m_status.dropped = dropped;
    return true;
  }

  void RemoteConnector::close()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_broken) { return; }
    }
    try
      {
        m_reader->closeConnection(settings().id.c_str());
      }
    catch (const CORBA::Exception&)
      {
        // The reader went away meanwhile; nothing left to remove there.
      }
  }

  ConnectionStatus RemoteConnector::status()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status;
  }
}
