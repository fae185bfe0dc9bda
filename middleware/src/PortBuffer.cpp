#include "PortBuffer.h"

#include "ValueStamp.h"

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
    m_changed.notify_all();
  }

  const ConnectionSettings& PortBuffer::termsLocked() const
  {
    return m_sources.back()->settings;
  }

  std::size_t PortBuffer::capacityLocked() const
  {
    return std::max<std::size_t>(termsLocked().bufferLength, 1);
  }

  PortBuffer::Stored PortBuffer::store(Source& source, EncodedValue&& value)
  {
    if (stampsAt(source.settings, StampStep::OnReceived)) { stampNow(value, nativeLittleEndian()); }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (source.closed) { return Stored::Closed; }
    if (termsLocked().blockWhenFull && m_values.size() >= capacityLocked())
      {
        // The writer (an ORB thread, or the writer's execution context in this process) waits.
        const auto timeout = std::chrono::duration<double>(termsLocked().writeTimeout);
        m_changed.wait_for(lock, timeout, [&] {
          return source.closed || m_sources.empty() || m_values.size() < capacityLocked();
        });
        if (source.closed) { return Stored::Closed; }
        if (m_values.size() >= capacityLocked())
          {
            ++source.dropped;
            return Stored::TimedOut;
          }
      }
    const ConnectionSettings& terms = termsLocked();
    Stored result = Stored::Yes;
    // A newer connection may have shortened the buffer: more than one value may have to go.
    while (m_values.size() >= capacityLocked())
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
    m_changed.notify_all();
    return result;
  }

  bool PortBuffer::pop(EncodedValue& value)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_values.empty() && !m_sources.empty() && termsLocked().blockWhenEmpty)
      {
        const auto timeout = std::chrono::duration<double>(termsLocked().readTimeout);
        m_changed.wait_for(lock, timeout,
                           [this] { return !m_values.empty() || m_sources.empty(); });
      }
    if (m_values.empty()) { return false; }
    Entry& front = m_values.front();
    value.swap(front.value);
    --front.source->buffered;
    const bool stamp = stampsAt(front.source->settings, StampStep::OnRead);
    m_values.pop_front();
    m_changed.notify_all();
    lock.unlock();
    if (stamp) { stampNow(value, nativeLittleEndian()); }
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
