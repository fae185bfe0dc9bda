#include "OutPortSource.h"

#include "CallTimeouts.h"
#include "Log.h"

namespace RTC
{
  OutPortSource::OutPortSource(InPortBase& port, OpenRTM::OutPortCdr_ptr source, bool swapped,
                               bool eachOnce, const std::string& name)
    : m_port(port), m_source(OpenRTM::OutPortCdr::_duplicate(source)), m_swapped(swapped),
      m_eachOnce(eachOnce), m_name(name)
  {
    CallTimeouts::apply(m_source.in(), TimeOuts::kDataCall);
  }

  PullSource::Answer OutPortSource::pull(EncodedValue& value)
  {
    OpenRTM::CdrData_var data;
    OpenRTM::PortStatus status = OpenRTM::PORT_ERROR;
    // A link the writer's ORB closed while idle fails once; a fresh one tells.
    for (int attempt = 0;; ++attempt)
      {
        try
          {
            status = m_source->get(data.out());
            break;
          }
        catch (const CORBA::COMM_FAILURE&)
          {
            if (attempt > 0) { return Answer::Gone; }
          }
        catch (const CORBA::Exception&)
          {
            return Answer::Gone;
          }
      }
    if (status != OpenRTM::PORT_OK) { return Answer::None; }
    const CORBA::Octet* bytes = data->get_buffer();
    value.assign(bytes, bytes + data->length());
    if (value.empty() || (!m_eachOnce && value == m_last)) { return Answer::None; }
    if (!m_eachOnce) { m_last = value; }
    if (m_port.acceptEncoded(value, m_swapped)) { return Answer::Value; }
    if (!m_warned)
      {
        m_warned = true;
        Log::warn("port " + std::string(m_port.getName()) + ": connection '" + m_name +
                  "' got bytes that are not a " + m_port.dataType() +
                  " value; such values are refused");
      }
    return Answer::None;
  }
}
