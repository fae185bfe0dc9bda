// Whether the writer of an in port's connection has abandoned it. A writer that died, or that
// dropped the connection while this end did not hear of it, would otherwise leave the reader
// waiting on it for ever. The in port asks from time to time (CorbaRemoteLayer's watcher).
#ifndef RTM_REMOTE_CONNECTIONWATCHER_H
#define RTM_REMOTE_CONNECTIONWATCHER_H

#include <rtm/idl/RtcInterfaces.hh>

namespace RTC
{
  class ConnectionWatcher
  {
  public:
    // What the other ports of a connection said when asked for their connections.
    struct Answer
    {
      bool gone = false;     // one of them no longer exists
      bool asked = false;    // one of them answered
      bool listed = false;   // one of them lists the connection
    };

    // Asks the ports of `profile` other than `self`, each within a data call time-out. A port
    // whose link fails is asked once more on a new link before it counts as gone.
    static Answer askWriters(const RTC::ConnectorProfile& profile, RTC::PortService_ptr self);
    // Whether the connection is to be dropped after `answer`. `misses` counts the answers in a
    // row that did not list it: a writer lists a connection only once its own connect has
    // completed, which may be just after ours, so one miss is forgiven.
    static bool abandoned(const Answer& answer, unsigned& misses);
  };
}

#endif
