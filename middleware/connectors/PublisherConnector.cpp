#include "PublisherConnector.h"

#include "ValueStamp.h"

#include <algorithm>

namespace RTC
{
  PublisherConnector::PublisherConnector(const ConnectionSettings& connection,
                                         std::unique_ptr<OutPortConnector> inner, bool swapped,
                                         std::chrono::milliseconds drainTime)
    : OutPortConnector(connection), m_inner(std::move(inner)), m_swapped(swapped),
      m_drainTime(drainTime),
      // push_policy new keeps only the newest value: a queue of one.
      m_capacity(settings().pushPolicy == PushPolicy::New
                   ? 1
                   : std::max<std::size_t>(settings().bufferLength, 1))
  {
    m_thread = std::thread(&PublisherConnector::run, this);
  }

  PublisherConnector::~PublisherConnector()
  {
    close();
  }

  bool PublisherConnector::deliver(OutgoingValue& value)
  {
    // The value only borrows its bytes: they are copied before the writer goes on.
    const EncodedValue* bytes = value.bytes(m_swapped);
    if (bytes == nullptr) { return true; }   // not encodable so: this value only is lost
    EncodedValue copy(*bytes);
    if (stampsAt(settings(), StampStep::OnWrite)) { stampNow(copy, littleEndian()); }
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_gone) { return false; }
      if (m_closing) { return true; }
      // skip sends the (skip_count + 1)-th value and lets the ones before it go.
      if (settings().pushPolicy == PushPolicy::Skip && m_skipped++ < settings().skipCount)
        {
          return true;
        }
      m_skipped = 0;
      if (m_queue.size() >= m_capacity && !makeRoom(lock)) { return !m_gone; }
      m_queue.push_back(std::move(copy));
    }
    m_wake.notify_one();
    return true;
  }

  bool PublisherConnector::makeRoom(std::unique_lock<std::mutex>& lock)
  {
    // Under push_policy new the one waiting value is always replaced by the newer one.
    const bool keepNewest = settings().pushPolicy == PushPolicy::New;
    if (!keepNewest && settings().blockWhenFull)
      {
        // The writer asked to wait for room, as OpenRTM-aist's publisher buffer makes it wait.
        const auto timeout = std::chrono::duration<double>(settings().writeTimeout);
        m_room.wait_for(lock, timeout,
                        [this] { return m_queue.size() < m_capacity || m_closing || m_gone; });
        if (m_closing || m_gone) { return false; }
      }
    if (m_queue.size() < m_capacity) { return true; }
    if (!keepNewest && !settings().overwriteWhenFull)
      {
        // do_nothing, or block past its time-out: the new value is the one lost.
        ++m_dropped;
        return false;
      }
    // overwrite (the default): the oldest waiting value is dropped and counted, as the reader's
    // buffer does; a reader that cannot keep up gets the most recent values.
    m_queue.pop_front();
    ++m_dropped;
    return true;
  }

  void PublisherConnector::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
      {
        m_wake.wait(lock, [this] { return !m_queue.empty() || m_closing; });
        if (m_queue.empty()) { return; }
        if (m_closing && std::chrono::steady_clock::now() >= m_drainUntil)
          {
            m_dropped += m_queue.size();
            m_queue.clear();
            return;
          }
        EncodedValue bytes(std::move(m_queue.front()));
        m_queue.pop_front();
        m_room.notify_all();
        lock.unlock();
        // Already in the reader's byte order: the inner connector sends them unchanged.
        if (stampsAt(settings(), StampStep::OnSend)) { stampNow(bytes, littleEndian()); }
        OutgoingValue value(bytes, nullptr, nullptr);
        const bool delivered = m_inner->deliver(value);
        lock.lock();
        if (!delivered)
          {
            // The reader is gone (or hung past the call time-out): the writer learns it at its
            // next write and drops the connection with one warning.
            m_gone = true;
            m_queue.clear();
            m_room.notify_all();
            return;
          }
      }
  }

  void PublisherConnector::close()
  {
    std::lock_guard<std::mutex> closeLock(m_closeMutex);
    if (m_closed) { return; }
    m_closed = true;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closing = true;
      m_drainUntil = std::chrono::steady_clock::now() + m_drainTime;
    }
    m_wake.notify_one();
    m_room.notify_all();
    m_thread.join();
    m_inner->close();
  }

  ConnectionStatus PublisherConnector::status()
  {
    ConnectionStatus status = m_inner->status();
    std::lock_guard<std::mutex> lock(m_mutex);
    status.dropped += m_dropped;
    return status;
  }
}
