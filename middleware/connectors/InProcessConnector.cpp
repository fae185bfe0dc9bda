#include "InProcessConnector.h"

namespace RTC
{
  InProcessConnector::InProcessConnector(const ConnectionSettings& settings,
                                         const std::weak_ptr<ConnectionBuffer>& buffer)
    : OutPortConnector(settings), m_buffer(buffer)
  {
  }

  bool InProcessConnector::deliver(OutgoingValue& value)
  {
    std::shared_ptr<ConnectionBuffer> buffer = m_buffer.lock();
    return buffer && buffer->push(value.native());
  }

  void InProcessConnector::close()
  {
    if (std::shared_ptr<ConnectionBuffer> buffer = m_buffer.lock()) { buffer->close(); }
  }

  ConnectionStatus InProcessConnector::status()
  {
    if (std::shared_ptr<ConnectionBuffer> buffer = m_buffer.lock()) { return buffer->status(); }
    ConnectionStatus gone;
    gone.settings = settings();
    return gone;
  }
}
