// The `new` subscription: a connection whose values are delivered on a thread of its own, so
// that the writer does not wait for the reader (unless its full policy is block and the queue
// is full). It wraps the connector that does the delivery.
#ifndef RTM_CONNECTORS_PUBLISHERCONNECTOR_H
#define RTM_CONNECTORS_PUBLISHERCONNECTOR_H

#include "OutPortConnector.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace RTC
{
  class PublisherConnector : public OutPortConnector
  {
  public:
    // `inner` delivers the bytes this publisher hands it as they are (it must not swap or
    // stamp them);
    // `swapped` picks the byte order taken from each written value. On close, values still
    // queued are delivered for at most `drainTime`.
    // `connection` are the connection's own settings: the publisher stamps by them, `inner`
    // must not.
    PublisherConnector(const ConnectionSettings& connection,
                       std::unique_ptr<OutPortConnector> inner, bool swapped,
                       std::chrono::milliseconds drainTime);
    ~PublisherConnector() override;
    PublisherConnector(const PublisherConnector&) = delete;
    PublisherConnector& operator=(const PublisherConnector&) = delete;

    // Copies the value into the queue and returns; with a full queue the writer's full policy
    // decides (overwrite drops the oldest, do_nothing the new value, block waits up to the write
    // time-out for room, then drops the new value). False once the inner connector has failed:
    // the reader is gone and the out port drops the connection.
    bool deliver(OutgoingValue& value) override;
    // Stops and joins the thread, then closes the inner connector. Bounded by one inner
    // delivery plus the drain time.
    void close() override;
    // The inner connector's, with the values this publisher dropped added.
    ConnectionStatus status() override;

  private:
    void run();
    // With the queue full: true once the new value may be queued (room made or found), false
    // when it is lost. Called with m_mutex held through `lock`; block waits on it.
    bool makeRoom(std::unique_lock<std::mutex>& lock);
    bool littleEndian() const { return nativeLittleEndian() != m_swapped; }

    const std::unique_ptr<OutPortConnector> m_inner;
    const bool m_swapped;
    const std::chrono::milliseconds m_drainTime;
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_room;   // a value left the queue, or the connection ends
    std::deque<EncodedValue> m_queue;
    unsigned long long m_dropped = 0;
    unsigned m_skipped = 0;   // values let go since the last one queued (push_policy skip)
    bool m_closing = false;
    bool m_gone = false;
    std::chrono::steady_clock::time_point m_drainUntil;
    std::mutex m_closeMutex;   // one close joins; a second waits for it
    bool m_closed = false;
    std::thread m_thread;
  };
}

#endif
