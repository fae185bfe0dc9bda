// Client call time-outs of the remote layer, per object reference. The ORB's default
// (TimeOuts::kOrbCall) suits naming calls; data and control calls need their own.
#ifndef RTM_REMOTE_CALLTIMEOUTS_H
#define RTM_REMOTE_CALLTIMEOUTS_H

#include "TimeOuts.h"

#include <omniORB4/CORBA.h>

namespace RTC
{
  namespace CallTimeouts
  {
    // Values from TimeOuts, e.g. TimeOuts::kDataCall.
    inline void apply(CORBA::Object_ptr object, std::chrono::milliseconds timeout)
    {
      if (!CORBA::is_nil(object))
        {
          omniORB::setClientCallTimeout(object, static_cast<CORBA::ULong>(TimeOuts::inMs(timeout)));
        }
    }
  }
}

#endif
