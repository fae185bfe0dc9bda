// The in-port end of one connection: what its writers push into. Its values queue in the in
// port's one buffer (PortBuffer), which also keeps this connection's counts; thread-safe.
#ifndef RTM_SRC_CONNECTIONBUFFER_H
#define RTM_SRC_CONNECTIONBUFFER_H

#include "PortBuffer.h"

#include <memory>

namespace RTC
{
  class ConnectionBuffer
  {
  public:
    ConnectionBuffer(const ConnectionSettings& settings, const std::shared_ptr<PortBuffer>& port);
    ~ConnectionBuffer();
    ConnectionBuffer(const ConnectionBuffer&) = delete;
    ConnectionBuffer& operator=(const ConnectionBuffer&) = delete;

    const ConnectionSettings& settings() const { return m_source.settings; }

    // Queues a value. When the port's buffer is full, overwrite drops its oldest value and
    // do_nothing drops this one; either way one dropped value is counted against the
    // connection it came from. False once the connection is closed.
    bool push(const EncodedValue& value);
    using Stored = PortBuffer::Stored;
    // The same, taking the bytes over, with what happened.
    Stored store(EncodedValue&& value);

    // Closes the connection; its unread values are dropped.
    void close();
    bool closed();
    ConnectionStatus status();

  private:
    const std::shared_ptr<PortBuffer> m_port;
    PortBuffer::Source m_source;
  };
}

#endif
