#include "PullConnector.h"

#include "ValueStamp.h"

namespace RTC
{
  PullConnector::PullConnector(const ConnectionSettings& settings, bool swapped)
    : OutPortConnector(settings), m_swapped(swapped)
  {
  }

  bool PullConnector::deliver(OutgoingValue& value)
  {
    const EncodedValue* bytes = value.bytes(m_swapped);
    if (bytes == nullptr) { return true; }   // not encodable so: this value only is lost
    EncodedValue queued = *bytes;
    if (stampsAt(settings(), StampStep::OnWrite) || stampsAt(settings(), StampStep::OnSend))
      {
        stampNow(queued, nativeLittleEndian() != m_swapped);
      }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) { return false; }
    if (m_values.size() >= settings().bufferLength)
      {
        ++m_dropped;
        if (!settings().overwriteWhenFull) { return true; }
        m_values.pop_front();
      }
    m_values.push_back(std::move(queued));
    return true;
  }

  void PullConnector::close()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_values.clear();
  }

  PullConnector::Taken PullConnector::take(EncodedValue& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) { return Taken::Closed; }
    if (m_values.empty()) { return Taken::Empty; }
    value = std::move(m_values.front());
    m_values.pop_front();
    return Taken::Value;
  }

  ConnectionStatus PullConnector::status()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ConnectionStatus status;
    status.settings = settings();
    status.buffered = m_values.size();
    status.dropped = m_dropped;
    return status;
  }
}
