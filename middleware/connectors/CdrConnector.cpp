#include "CdrConnector.h"

#include "CallTimeouts.h"
#include "ValueStamp.h"

namespace RTC
{
  CdrConnector::CdrConnector(const ConnectionSettings& settings, OpenRTM::InPortCdr_ptr sink,
                             bool swapped)
    : OutPortConnector(settings), m_sink(OpenRTM::InPortCdr::_duplicate(sink)), m_swapped(swapped)
  {
    CallTimeouts::apply(m_sink.in(), TimeOuts::kDataCall);
  }

  bool CdrConnector::deliver(OutgoingValue& value)
  {
    const EncodedValue* bytes = value.bytes(m_swapped);
    if (bytes == nullptr) { return true; }   // not encodable so: this value only is lost
    // Delivered as written: the write and the send are one step.
    EncodedValue stamped;
    if (stampsAt(settings(), StampStep::OnWrite) || stampsAt(settings(), StampStep::OnSend))
      {
        stamped = *bytes;
        stampNow(stamped, nativeLittleEndian() != m_swapped);
        bytes = &stamped;
      }
    // The sequence borrows the bytes (release = false); marshalling only reads them.
    const CORBA::ULong length = static_cast<CORBA::ULong>(bytes->size());
    OpenRTM::CdrData data(length, length, const_cast<CORBA::Octet*>(bytes->data()), false);
    try
      {
        m_sink->put(data);
        return true;
      }
    catch (const CORBA::Exception&)
      {
        // TRANSIENT (refused, or timed out), COMM_FAILURE, OBJECT_NOT_EXIST: the reader is gone.
        return false;
      }
  }

  ConnectionStatus CdrConnector::status()
  {
    ConnectionStatus status;
    status.settings = settings();
    return status;
  }
}
