// Client call time-outs of the remote layer, per object reference. The ORB's global default
// (2 s) suits naming calls; data and control calls need their own.
#ifndef RTM_REMOTE_CALLTIMEOUTS_H
#define RTM_REMOTE_CALLTIMEOUTS_H

#include <omniORB4/CORBA.h>

namespace RTC
{
  namespace CallTimeouts
  {
    // Pushing one value: a hung reader may hold the writer's execution context this long,
    // once, before the connection is dropped. Shorter would drop readers that are only slow
    // for a moment on a loaded machine, which costs the operator a reconnect.
    const CORBA::ULong data = 2000;
    // Calls between components while connecting and disconnecting.
    const CORBA::ULong peer = 5000;
    // Control calls: deactivation and exit wait for onDeactivated, which may take seconds.
    const CORBA::ULong control = 30000;

    inline void apply(CORBA::Object_ptr object, CORBA::ULong milliseconds)
    {
      if (!CORBA::is_nil(object)) { omniORB::setClientCallTimeout(object, milliseconds); }
    }
  }
}

#endif
