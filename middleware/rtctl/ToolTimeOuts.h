// rtctl's time-outs and polling intervals, each with the reason for its length. The
// middleware's own are in its table (src/TimeOuts.h).
#ifndef RTCTL_TOOLTIMEOUTS_H
#define RTCTL_TOOLTIMEOUTS_H

#include "RtctlSurface.h"

#include <chrono>

namespace rtctl
{
  namespace TimeOuts
  {
    using RTC::TimeOuts::inMs;
    using std::chrono::milliseconds;

    // Every call is bounded; a host that does not answer fails within kToolConnect.
    constexpr milliseconds kToolCall{5000};
    constexpr milliseconds kToolConnect{2000};
    // activate, deactivate, reset and exit wait for the component's callbacks (--timeout).
    constexpr milliseconds kToolControl{30000};
    // wait NAME STATE: scripts start a component and wait for it (--timeout).
    constexpr milliseconds kToolWait{10000};
    constexpr milliseconds kToolWaitPoll{100};
    // After a state change or an exit, how often the component is asked again.
    constexpr milliseconds kToolStatePoll{50};
    // An accepted exit: how long rtctl waits for the component's names to go.
    constexpr milliseconds kToolExitLinger{5000};
    // echo and hz: how often they look for a signal, and ask the writer whether it still writes.
    constexpr milliseconds kToolWatchTick{20};
    constexpr milliseconds kToolWriterCheck{1000};
  }
}

#endif
