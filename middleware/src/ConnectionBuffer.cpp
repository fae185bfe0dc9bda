#include "ConnectionBuffer.h"

namespace RTC
{
  ConnectionBuffer::ConnectionBuffer(const ConnectionSettings& settings) : m_settings(settings) {}

  bool ConnectionBuffer::push(const EncodedValue& value)
  {
    return store(EncodedValue(value)) != Stored::Closed;
  }

  ConnectionBuffer::Stored ConnectionBuffer::store(EncodedValue&& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) { return Stored::Closed; }
    const std::size_t capacity = m_settings.bufferLength == 0 ? 1 : m_settings.bufferLength;
    Stored result = Stored::Yes;
    if (m_values.size() >= capacity)
      {
        ++m_dropped;
        if (!m_settings.overwriteWhenFull) { return Stored::Dropped; }
        m_values.pop_front();
        result = Stored::Overwrote;
      }
    m_values.push_back(std::move(value));
    return result;
  }

  bool ConnectionBuffer::pop(EncodedValue& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_values.empty()) { return false; }
    value.swap(m_values.front());
    m_values.pop_front();
    return true;
  }

  bool ConnectionBuffer::empty()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.empty();
  }

  void ConnectionBuffer::close()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_values.clear();
  }

  bool ConnectionBuffer::closed()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
  }

  ConnectionStatus ConnectionBuffer::status()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ConnectionStatus result;
    result.settings = m_settings;
    result.buffered = m_values.size();
    result.dropped = m_dropped;
    return result;
  }
}
