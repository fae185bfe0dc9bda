#include "InPortCdrServant.h"

#include "ConnectionBuffer.h"
#include "Log.h"

namespace RTC
{
  InPortCdrServant::InPortCdrServant(InPortBase& port,
                                     const std::shared_ptr<ConnectionBuffer>& buffer, bool swapped,
                                     const std::shared_ptr<ServantLifetime>& lifetime)
    : m_port(port), m_buffer(buffer), m_swapped(swapped), m_lifetime(lifetime)
  {
  }

  OpenRTM::PortStatus InPortCdrServant::put(const OpenRTM::CdrData& data)
  {
    ServantLifetime::Use use(*m_lifetime);
    const CORBA::Octet* bytes = data.get_buffer();
    EncodedValue value(bytes, bytes + data.length());
    if (!m_port.acceptEncoded(value, m_swapped))
      {
        if (!m_warned.exchange(true))
          {
            Log::warn("port " + std::string(m_port.getName()) + ": connection '" +
                      m_buffer->settings().name + "' received bytes that are not a " +
                      m_port.dataType() + " value; such values are refused");
          }
        return OpenRTM::PORT_ERROR;
      }
    switch (m_buffer->store(std::move(value)))
      {
      case ConnectionBuffer::Stored::Yes:
      case ConnectionBuffer::Stored::Overwrote: return OpenRTM::PORT_OK;
      case ConnectionBuffer::Stored::Dropped: return OpenRTM::BUFFER_FULL;
      case ConnectionBuffer::Stored::TimedOut: return OpenRTM::BUFFER_TIMEOUT;
      case ConnectionBuffer::Stored::Closed: break;
      }
    throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO);
  }
}
