// A connection to an in port of the same process: delivery is a push into its buffer.
// subscription_type `new` changes nothing here: the push never waits on the network or on the
// reader, so a publisher thread would only add latency. Every value reaches the reader's buffer
// in order (its length and full policy decide what is kept), which push_policy `all` asks for
// and `new` allows, since a publisher skips values only when it falls behind.
#ifndef RTM_CONNECTORS_INPROCESSCONNECTOR_H
#define RTM_CONNECTORS_INPROCESSCONNECTOR_H

#include "OutPortConnector.h"

#include "ConnectionBuffer.h"

#include <memory>

namespace RTC
{
  class InProcessConnector : public OutPortConnector
  {
  public:
    InProcessConnector(const ConnectionSettings& settings,
                       const std::weak_ptr<ConnectionBuffer>& buffer);

    bool deliver(OutgoingValue& value) override;
    void close() override;
    ConnectionStatus status() override;

  private:
    // Weak: the in port owns its buffers; a vanished in port shows as an expired buffer.
    std::weak_ptr<ConnectionBuffer> m_buffer;
  };
}

#endif
