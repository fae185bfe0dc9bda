#include "InProcessConnector.h"

#include "ValueStamp.h"

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
    if (!buffer) { return false; }
    EncodedValue bytes(value.native());
    // Written, sent and received are one step here; the buffer stamps on received itself.
    if (stampsAt(settings(), StampStep::OnWrite) || stampsAt(settings(), StampStep::OnSend))
      {
        stampNow(bytes, nativeLittleEndian());
      }
    return buffer->store(std::move(bytes)) != ConnectionBuffer::Stored::Closed;
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
