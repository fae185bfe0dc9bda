// The data sink of one in-port connection: writers of other processes put one value per call,
// as bare CDR in the connection's byte order, into that connection's buffer.
#ifndef RTM_REMOTE_INPORTCDRSERVANT_H
#define RTM_REMOTE_INPORTCDRSERVANT_H

#include <rtm/InPortBase.h>
#include <rtm/idl/DataPortCdr.hh>

#include "NoImplement.h"
#include "ServantLifetime.h"

#include <atomic>
#include <memory>

namespace RTC
{
  class ConnectionBuffer;

  class InPortCdrServant : public NoImplement<POA_OpenRTM::InPortCdr>
  {
  public:
    // `swapped`: the writer sends in the byte order other than this machine's.
    InPortCdrServant(InPortBase& port, const std::shared_ptr<ConnectionBuffer>& buffer,
                     bool swapped, const std::shared_ptr<ServantLifetime>& lifetime);

    // PORT_OK when stored (also when it overwrote the oldest value), BUFFER_FULL when the
    // buffer is full under do_nothing, PORT_ERROR for bytes that are not one value of the
    // port's type. Throws OBJECT_NOT_EXIST once the connection is closed.
    OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override;

    const std::shared_ptr<ConnectionBuffer>& buffer() const { return m_buffer; }

  private:
    InPortBase& m_port;
    const std::shared_ptr<ConnectionBuffer> m_buffer;
    const bool m_swapped;
    std::shared_ptr<ServantLifetime> m_lifetime;
    std::atomic<bool> m_warned{false};
  };
}

#endif
