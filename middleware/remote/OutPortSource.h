// The reader's end of a pull connection: asks the writer's OutPortCdr object for one value.
// OpenRTM-aist's out port answers an emptied queue with the last value again, so from a writer
// that does not say it hands out each value once, the same bytes twice in a row are not new.
#ifndef RTM_REMOTE_OUTPORTSOURCE_H
#define RTM_REMOTE_OUTPORTSOURCE_H

#include <rtm/InPortBase.h>
#include <rtm/idl/DataPortCdr.hh>

#include "PullSource.h"

#include <string>

namespace RTC
{
  class OutPortSource : public PullSource
  {
  public:
    // `swapped`: the writer sends in the byte order other than this machine's. `eachOnce`: the
    // writer never hands out a value twice. `name` names the connection in warnings.
    OutPortSource(InPortBase& port, OpenRTM::OutPortCdr_ptr source, bool swapped, bool eachOnce,
                  const std::string& name);

    // Runs on the reader's thread, bounded by the data call time-out. Gone when the call
    // raises a CORBA exception.
    Answer pull(EncodedValue& value) override;

  private:
    InPortBase& m_port;
    OpenRTM::OutPortCdr_var m_source;
    const bool m_swapped;
    const bool m_eachOnce;
    const std::string m_name;
    EncodedValue m_last;   // as received, for the repeat check
    bool m_warned = false;
  };
}

#endif
