#include "ConnectionBuffer.h"

namespace RTC
{
  ConnectionBuffer::ConnectionBuffer(const ConnectionSettings& settings,
                                     const std::shared_ptr<PortBuffer>& port)
    : m_port(port)
  {
    m_source.settings = settings;
    m_port->attach(m_source);
  }

  ConnectionBuffer::~ConnectionBuffer()
  {
    m_port->detach(m_source);
  }

  bool ConnectionBuffer::push(const EncodedValue& value)
  {
    return store(EncodedValue(value)) != Stored::Closed;
  }

  ConnectionBuffer::Stored ConnectionBuffer::store(EncodedValue&& value)
  {
    return m_port->store(m_source, std::move(value));
  }

  void ConnectionBuffer::close()
  {
    m_port->detach(m_source);
  }

  bool ConnectionBuffer::closed()
  {
    return m_port->closed(m_source);
  }

  ConnectionStatus ConnectionBuffer::status()
  {
    return m_port->status(m_source);
  }
}
