// A connection to an in port of the same process: delivery is a push into its buffer.
#ifndef RTM_SRC_INPROCESSCONNECTOR_H
#define RTM_SRC_INPROCESSCONNECTOR_H

#include <rtm/OutPortBase.h>

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
