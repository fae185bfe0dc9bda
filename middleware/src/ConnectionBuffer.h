// The in-port end of one connection: a bounded queue of encoded values with a full policy.
// Written by whatever thread delivers (a writer's execution context or an ORB thread), read by
// the reader's execution context; one mutex guards it all.
#ifndef RTM_SRC_CONNECTIONBUFFER_H
#define RTM_SRC_CONNECTIONBUFFER_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

#include <deque>
#include <mutex>

namespace RTC
{
  class ConnectionBuffer
  {
  public:
    explicit ConnectionBuffer(const ConnectionSettings& settings);

    const ConnectionSettings& settings() const { return m_settings; }

    // Queues a value. When full, overwrite drops the oldest value and do_nothing drops this
    // one; either way one dropped value is counted. False once the connection is closed.
    bool push(const EncodedValue& value);
    enum class Stored
    {
      Yes,
      Overwrote,   // full: the oldest value was dropped for it
      Dropped,     // full under do_nothing: this value was dropped
      Closed
    };
    // The same, taking the bytes over, with what happened.
    Stored store(EncodedValue&& value);
    bool pop(EncodedValue& value);
    bool empty();

    void close();
    bool closed();
    ConnectionStatus status();

  private:
    const ConnectionSettings m_settings;
    std::mutex m_mutex;
    std::deque<EncodedValue> m_values;
    unsigned long long m_dropped = 0;
    bool m_closed = false;
  };
}

#endif
