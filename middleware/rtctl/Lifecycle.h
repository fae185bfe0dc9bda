// A component's life cycle through its owned execution context, as OpenRTM-aist's tools drive
// it: requests to the context, then the component's state until the transition is done.
#ifndef RTCTL_LIFECYCLE_H
#define RTCTL_LIFECYCLE_H

#include <RtcInterfaces.hh>

#include <chrono>
#include <string>

namespace rtctl
{
  // The state in get_owned_contexts()[0]. ToolError when the component has no context; CORBA
  // failures propagate.
  RTC::LifeCycleState readState(RTC::RTObject_ptr component, const std::string& name);

  enum class Transition
  {
    Activate,
    Deactivate,
    Reset
  };

  // One component, found by name, with its owned execution context.
  class ControlledComponent
  {
  public:
    // `component` as found in the naming service; `timeoutMs` bounds each request and the wait
    // for its transition. Throws ToolError.
    ControlledComponent(RTC::RTObject_ptr component, const std::string& name,
                        CORBA::ULong timeoutMs);

    const std::string& name() const { return m_name; }
    RTC::LifeCycleState state();

    // Requests the transition and returns once the component has made it (its callback has
    // returned). A context that answers before the callback has returned (OpenRTM-aist gives
    // up waiting after its transition time-out and says RTC_ERROR) is waited for here.
    void change(Transition transition);
    // Deactivates the component when it is active (waiting as above), then asks it to exit
    // and waits, within the same bound, until it is gone.
    void exit();

  private:
    using Clock = std::chrono::steady_clock;
    // Polls the state until it is no longer `from`; returns the state then. ToolError at the
    // deadline.
    RTC::LifeCycleState waitToLeave(RTC::LifeCycleState from, RTC::LifeCycleState wanted,
                                    Clock::time_point deadline);
    CORBA::ULong remainingMs(Clock::time_point deadline) const;
    [[noreturn]] void fail(const CORBA::SystemException& e, CORBA::ULong timeoutMs) const;

    RTC::RTObject_var m_component;
    RTC::ExecutionContext_var m_context;
    std::string m_name;
    CORBA::ULong m_timeoutMs;
  };
}

#endif
