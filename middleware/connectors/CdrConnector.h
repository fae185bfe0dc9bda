// A connection to an in port of another process: each value is put synchronously into the
// reader's InPortCdr object, in the connection's byte order, bounded by the data call time-out.
#ifndef RTM_CONNECTORS_CDRCONNECTOR_H
#define RTM_CONNECTORS_CDRCONNECTOR_H

#include <rtm/idl/DataPortCdr.hh>

#include "OutPortConnector.h"

namespace RTC
{
  class CdrConnector : public OutPortConnector
  {
  public:
    // `swapped`: the reader takes the byte order other than this machine's.
    CdrConnector(const ConnectionSettings& settings, OpenRTM::InPortCdr_ptr sink, bool swapped);

    // Runs on the writer's thread. False when the reader raised a CORBA exception (gone, hung
    // past the time-out); the out port then drops the connection. A refusal (PortStatus other
    // than PORT_OK) keeps it, as OpenRTM-aist's out ports do.
    bool deliver(OutgoingValue& value) override;
    // The reader's end is removed by the port's disconnect protocol, not here.
    void close() override {}
    ConnectionStatus status() override;

  private:
    OpenRTM::InPortCdr_var m_sink;
    const bool m_swapped;
  };
}

#endif
