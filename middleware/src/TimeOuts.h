// Every time-out, patience and polling interval of the middleware, each with the reason for its
// length (rtctl keeps its own in rtctl/ToolTimeOuts.h). Calls to another process are bounded by
// omniORB's client call time-out: the ORB's default below, or the object reference's own
// (CallTimeouts::apply).
#ifndef RTM_SRC_TIMEOUTS_H
#define RTM_SRC_TIMEOUTS_H

#include <chrono>

namespace RTC
{
  namespace TimeOuts
  {
    using std::chrono::milliseconds;

    // The middleware's ORB. A dead peer must not hold a writer for long: every call without a
    // bound of its own (naming calls among them) and every connection attempt is bounded.
    constexpr milliseconds kOrbCall{2000};
    constexpr milliseconds kOrbConnect{2000};

    // Pushing one value: a hung reader may hold the writer's execution context this long, once,
    // before the connection is dropped. Shorter would drop readers that are only slow for a
    // moment on a loaded machine, which costs the operator a reconnect.
    constexpr milliseconds kDataCall{2000};
    // Calls between components while connecting and disconnecting.
    constexpr milliseconds kPeerCall{5000};
    // Each callback an execution context makes on a component of another program: a
    // participant that hangs stalls the context's own component at most this long, once.
    constexpr milliseconds kParticipantCall{1000};
    // Control calls: deactivation and exit wait for onDeactivated, which may take seconds.
    constexpr milliseconds kControlCall{30000};
    // A reader that hung after its connection was dropped is told so at most this many times.
    constexpr unsigned kDroppedPeerAttempts = 10;

    // How long a remote state change may keep its caller. onDeactivated of a component that
    // closes a connection may take seconds; a context stuck in a callback must not hang the
    // caller for good.
    constexpr milliseconds kTransition{10000};
    // exit(): as long as a remote deactivation may wait.
    constexpr milliseconds kExitDeactivation = kTransition;
    // A configuration set from outside waits this long for the execution context to apply it
    // between two callbacks.
    constexpr milliseconds kConfigurationUpdate{10000};

    // Preconnect and preactivation wait this long for a component of another process to appear
    // in the naming service, looking again at this interval (the naming service cannot notify).
    constexpr milliseconds kPeerLookup{10000};
    constexpr milliseconds kPeerLookupRetry{200};
    // Names are checked and registered again this often unless naming.update.interval says
    // otherwise; shorter than the floor would keep the naming service busy.
    constexpr milliseconds kNamingUpdate{3000};
    constexpr milliseconds kNamingUpdateFloor{100};

    // For omniORB, which counts call time-outs in milliseconds as CORBA::ULong.
    constexpr unsigned long inMs(milliseconds duration)
    {
      return static_cast<unsigned long>(duration.count());
    }
  }
}

#endif
