#include "PortBuffer.h"

#include <algorithm>

namespace RTC
{
  void PortBuffer::attach(Source& source)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sources.push_back(&source);
  }

  void PortBuffer::detach(Source& source)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (source.closed) { return; }
    source.closed = true;
    source.buffered = 0;
    m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), &source), m_sources.end());
    m_values.erase(std::remove_if(m_values.begin(), m_values.end(),
                                  [&source](const Entry& e) { return e.source == &source; }),
                   m_values.end());
  }

  const ConnectionSettings& PortBuffer::termsLocked() const
  {
    return m_sources.back()->settings;
  }

  PortBuffer::Stored PortBuffer::store(Source& source, EncodedValue&& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (source.closed) { return Stored::Closed; }
    const ConnectionSettings& terms = termsLocked();
    const std::size_t capacity = std::max<std::size_t>(terms.bufferLength, 1);
    Stored result = Stored::Yes;
    // A newer connection may have shortened the buffer: more than one value may have to go.
    while (m_values.size() >= capacity)
      {
        if (!terms.overwriteWhenFull)
          {
            ++source.dropped;
            return Stored::Dropped;
          }
        Source* owner = m_values.front().source;
        ++owner->dropped;
        --owner->buffered;
        m_values.pop_front();
        result = Stored::Overwrote;
      }
    m_values.push_back(Entry{std::move(value), &source});
    ++source.buffered;
    return result;
  }

  bool PortBuffer::pop(EncodedValue& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_values.empty()) { return false; }
    value.swap(m_values.front().value);
    --m_values.front().source->buffered;
    m_values.pop_front();
    return true;
  }

  bool PortBuffer::empty()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.empty();
  }

  ConnectionStatus PortBuffer::status(const Source& source)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ConnectionStatus result;
    result.settings = source.settings;
    result.buffered = source.buffered;
    result.dropped = source.dropped;
    return result;
  }

  bool PortBuffer::closed(const Source& source)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return source.closed;
  }
}
