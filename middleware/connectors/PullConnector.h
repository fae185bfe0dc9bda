// The writer's end of a pull connection: write() queues the value, in the reader's byte order,
// and the reader takes the values one by one, oldest first, through the out port's OutPortCdr
// object. The queue holds buffer.length values; when full, overwrite drops the oldest and the
// other policies drop the newest, so write() never waits on a reader.
#ifndef RTM_CONNECTORS_PULLCONNECTOR_H
#define RTM_CONNECTORS_PULLCONNECTOR_H

#include "OutPortConnector.h"

#include <deque>
#include <mutex>

namespace RTC
{
  class PullConnector : public OutPortConnector
  {
  public:
    // `swapped`: the reader takes the byte order other than this machine's.
    PullConnector(const ConnectionSettings& settings, bool swapped);

    bool deliver(OutgoingValue& value) override;
    void close() override;
    ConnectionStatus status() override;

    enum class Taken
    {
      Value,
      Empty,
      Closed
    };
    // The oldest value not taken yet. Thread-safe (readers call on ORB threads).
    Taken take(EncodedValue& value);

  private:
    const bool m_swapped;
    std::mutex m_mutex;
    std::deque<EncodedValue> m_values;   // m_mutex
    unsigned long long m_dropped = 0;    // m_mutex
    bool m_closed = false;               // m_mutex
  };
}

#endif
