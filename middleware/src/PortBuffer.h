// The one buffer of an in port: every connection's values queue here in arrival order, as
// OpenRTM-aist's in port keeps them, so a second writer's values are read and not left behind.
// The buffer's length and full policy are those of the newest live connection (OpenRTM-aist
// re-initialises its one buffer with each new connector's terms). Each value remembers its
// connection, so a value lost to a full buffer is counted against the connection it came from.
// One mutex guards the queue and the per-connection counts; writers (a writer's execution
// context or an ORB thread) and the reader's execution context all take it. Under the block
// policies a writer waits for room and the reader for a value, each up to its time-out.
#ifndef RTM_SRC_PORTBUFFER_H
#define RTM_SRC_PORTBUFFER_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace RTC
{
  class PortBuffer
  {
  public:
    // What a connection's end holds of the shared state; guarded by the buffer's mutex.
    struct Source
    {
      ConnectionSettings settings;
      std::size_t buffered = 0;
      unsigned long long dropped = 0;
      bool closed = false;
    };

    enum class Stored
    {
      Yes,
      Overwrote,   // full: the oldest value was dropped for it
      Dropped,     // full under do_nothing: this value was dropped
      TimedOut,    // full under block until the write time-out: this value was dropped
      Closed
    };

    void attach(Source& source);
    // Closes `source` and forgets its unread values.
    void detach(Source& source);
    Stored store(Source& source, EncodedValue&& value);
    // The oldest value of any connection, stamped if its connection stamps on read; false when
    // there is none (under the empty policy block, none came within the read time-out).
    bool pop(EncodedValue& value);
    bool empty();
    ConnectionStatus status(const Source& source);
    bool closed(const Source& source);

  private:
    struct Entry
    {
      EncodedValue value;
      Source* source;
    };
    const ConnectionSettings& termsLocked() const;
    std::size_t capacityLocked() const;

    std::mutex m_mutex;
    std::condition_variable m_changed;   // a value came, went, or a connection closed
    std::deque<Entry> m_values;
    std::vector<Source*> m_sources;   // live connections, oldest first
  };
}

#endif
