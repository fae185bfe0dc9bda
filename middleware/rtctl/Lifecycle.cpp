#include "Lifecycle.h"

#include "RtcText.h"
#include "ToolContext.h"
#include "ToolError.h"

#include <algorithm>
#include <thread>

namespace rtctl
{
  namespace
  {
    struct TransitionText
    {
      const char* verb;
      RTC::LifeCycleState from;
      RTC::LifeCycleState to;
    };

    TransitionText textOf(Transition transition)
    {
      switch (transition)
        {
        case Transition::Activate: return {"activate", RTC::INACTIVE_STATE, RTC::ACTIVE_STATE};
        case Transition::Deactivate: return {"deactivate", RTC::ACTIVE_STATE, RTC::INACTIVE_STATE};
        case Transition::Reset: break;
        }
      return {"reset", RTC::ERROR_STATE, RTC::INACTIVE_STATE};
    }

    RTC::ExecutionContext_ptr ownedContext(RTC::RTObject_ptr component, const std::string& name)
    {
      RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
      if (contexts->length() == 0 || CORBA::is_nil(contexts[0]))
        {
          throw ToolError(name + " has no execution context of its own");
        }
      return RTC::ExecutionContext::_duplicate(contexts[0]);
    }

    // A component still there answers _non_existent with false; one that is gone answers true
    // or not at all.
    bool gone(RTC::RTObject_ptr component)
    {
      try
        {
          return component->_non_existent();
        }
      catch (const CORBA::SystemException&)
        {
          return true;
        }
    }
  }

  RTC::LifeCycleState readState(RTC::RTObject_ptr component, const std::string& name)
  {
    RTC::ExecutionContext_var context = ownedContext(component, name);
    return context->get_component_state(component);
  }

  ControlledComponent::ControlledComponent(RTC::RTObject_ptr component, const std::string& name,
                                           CORBA::ULong timeoutMs)
    : m_component(RTC::RTObject::_duplicate(component)), m_name(name), m_timeoutMs(timeoutMs)
  {
    try
      {
        m_context = ownedContext(component, name);
      }
    catch (const CORBA::SystemException& e)
      {
        fail(e, TimeOuts::inMs(TimeOuts::kToolCall));
      }
  }

  void ControlledComponent::fail(const CORBA::SystemException& e, CORBA::ULong timeoutMs) const
  {
    throw ToolError(ToolContext::describe(m_name, e, timeoutMs));
  }

  CORBA::ULong ControlledComponent::remainingMs(Clock::time_point deadline) const
  {
    const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<CORBA::ULong>(std::max<long long>(left, 1));
  }

  RTC::LifeCycleState ControlledComponent::state()
  {
    try
      {
        return m_context->get_component_state(m_component.in());
      }
    catch (const CORBA::SystemException& e)
      {
        fail(e, TimeOuts::inMs(TimeOuts::kToolCall));
      }
  }

  RTC::LifeCycleState ControlledComponent::waitToLeave(RTC::LifeCycleState from,
                                                       RTC::LifeCycleState wanted,
                                                       Clock::time_point deadline)
  {
    while (true)
      {
        const RTC::LifeCycleState now = state();
        if (now != from) { return now; }
        if (Clock::now() >= deadline)
          {
            throw ToolError(m_name + " did not become " + RTC::toString(wanted) + " within " +
                            secondsText(m_timeoutMs) + " s (it is still " + RTC::toString(now) +
                            ")");
          }
        std::this_thread::sleep_for(TimeOuts::kToolStatePoll);
      }
  }

  void ControlledComponent::change(Transition transition)
  {
    const TransitionText text = textOf(transition);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    RTC::ReturnCode_t result = RTC::RTC_ERROR;
    try
      {
        omniORB::setClientCallTimeout(m_context.in(), m_timeoutMs);
        switch (transition)
          {
          case Transition::Activate:
            result = m_context->activate_component(m_component.in());
            break;
          case Transition::Deactivate:
            result = m_context->deactivate_component(m_component.in());
            break;
          case Transition::Reset: result = m_context->reset_component(m_component.in()); break;
          }
        omniORB::setClientCallTimeout(m_context.in(), TimeOuts::inMs(TimeOuts::kToolCall));
      }
    catch (const CORBA::SystemException& e)
      {
        fail(e, m_timeoutMs);
      }
    const std::string refused = std::string("cannot ") + text.verb + " " + m_name;
    if (result == RTC::PRECONDITION_NOT_MET)
      {
        throw ToolError(refused + ": it is " + RTC::toString(state()));
      }
    if (result != RTC::RTC_OK && result != RTC::RTC_ERROR)
      {
        throw ToolError(refused + ": its execution context refused (" + RTC::toString(result) +
                        ")");
      }
    // RTC_OK: done, or accepted and still under way. RTC_ERROR: the callback failed (the state
    // says so), or the context stopped waiting for a slow callback that is still running.
    const RTC::LifeCycleState reached = waitToLeave(text.from, text.to, deadline);
    if (reached != text.to)
      {
        throw ToolError(refused + ": its callback failed; it is now " + RTC::toString(reached));
      }
  }

  void ControlledComponent::exit()
  {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    // OpenRTM-aist's exit() gives up on a slow onDeactivated after its transition time-out and
    // finalizes anyway; deactivating first lets onDeactivated finish.
    if (state() == RTC::ACTIVE_STATE) { change(Transition::Deactivate); }
    RTC::ReturnCode_t result = RTC::RTC_ERROR;
    try
      {
        omniORB::setClientCallTimeout(m_component.in(), remainingMs(deadline));
        result = m_component->exit();
      }
    catch (const CORBA::SystemException& e)
      {
        fail(e, m_timeoutMs);
      }
    if (result == RTC::PRECONDITION_NOT_MET)
      {
        throw ToolError("cannot exit " + m_name + ": it is " + RTC::toString(state()));
      }
    if (result != RTC::RTC_OK)
      {
        throw ToolError("cannot exit " + m_name + ": it refused (" + RTC::toString(result) + ")");
      }
    // Its manager finalizes it and removes its names soon after; scripts that go on may
    // rely on that. A component that lingers is not an error: it did accept the exit.
    omniORB::setClientCallTimeout(m_component.in(), TimeOuts::inMs(TimeOuts::kToolCall));
    const Clock::time_point patience = std::min(deadline, Clock::now() + TimeOuts::kToolExitLinger);
    while (!gone(m_component.in()) && Clock::now() < patience)
      {
        std::this_thread::sleep_for(TimeOuts::kToolStatePoll);
      }
  }
}
