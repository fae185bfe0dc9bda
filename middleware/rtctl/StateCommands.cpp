// rtctl activate, deactivate, reset, exit, state and wait.
#include "Commands.h"

#include "Lifecycle.h"
#include "RtcText.h"
#include "ToolError.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

namespace rtctl
{
  namespace
  {
    CORBA::ULong timeoutOption(const Arguments& arguments, CORBA::ULong fallback)
    {
      const std::string text = arguments.option("--timeout");
      if (text.empty()) { return fallback; }
      return static_cast<CORBA::ULong>(parseSeconds(text, "--timeout") * 1000);
    }

    // Every name is looked up before the first request goes out.
    std::vector<std::unique_ptr<ControlledComponent>>
    findEach(ToolContext& context, const Arguments& arguments, const std::string& command)
    {
      if (arguments.positional.empty())
        {
          throw ToolError(command + ": expects at least one component NAME", true);
        }
      const CORBA::ULong timeout = timeoutOption(arguments, TimeOuts::inMs(TimeOuts::kToolControl));
      std::vector<std::unique_ptr<ControlledComponent>> components;
      for (const std::string& name : arguments.positional)
        {
          RTC::RTObject_var component = context.find(name);
          components.emplace_back(new ControlledComponent(component.in(), name, timeout));
        }
      return components;
    }

    int changeEach(ToolContext& context, const Arguments& arguments, const std::string& command,
                   Transition transition)
    {
      for (auto& component : findEach(context, arguments, command))
        {
          component->change(transition);
        }
      return 0;
    }
  }

  int activateCommand(ToolContext& context, const Arguments& arguments)
  {
    return changeEach(context, arguments, "activate", Transition::Activate);
  }

  int deactivateCommand(ToolContext& context, const Arguments& arguments)
  {
    return changeEach(context, arguments, "deactivate", Transition::Deactivate);
  }

  int resetCommand(ToolContext& context, const Arguments& arguments)
  {
    return changeEach(context, arguments, "reset", Transition::Reset);
  }

  int exitCommand(ToolContext& context, const Arguments& arguments)
  {
    for (auto& component : findEach(context, arguments, "exit")) { component->exit(); }
    return 0;
  }

  int stateCommand(ToolContext& context, const Arguments& arguments)
  {
    if (arguments.positional.size() != 1)
      {
        throw ToolError("state: expects one component NAME", true);
      }
    const std::string& name = arguments.positional[0];
    RTC::RTObject_var component = context.find(name);
    try
      {
        std::cout << RTC::toString(readState(component.in(), name)) << std::endl;
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    return 0;
  }

  int waitCommand(ToolContext& context, const Arguments& arguments)
  {
    if (arguments.positional.size() != 2)
      {
        throw ToolError("wait: expects a component NAME and a STATE", true);
      }
    const std::string& name = arguments.positional[0];
    RTC::LifeCycleState wanted;
    if (!parseState(arguments.positional[1], wanted))
      {
        throw ToolError("wait: STATE must be CREATED, INACTIVE, ACTIVE or ERROR, got '" +
                          arguments.positional[1] + "'",
                        true);
      }
    const CORBA::ULong timeout = timeoutOption(arguments, TimeOuts::inMs(TimeOuts::kToolWait));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    std::string last;
    // Not registered yet, or not answering yet, counts as "not there yet": scripts start a
    // component and wait for it.
    while (true)
      {
        try
          {
            RTC::RTObject_var component = context.find(name);
            const RTC::LifeCycleState state = readState(component.in(), name);
            if (state == wanted) { return 0; }
            last = std::string("it is ") + RTC::toString(state);
          }
        catch (const ToolError& e)
          {
            last = e.what();
          }
        catch (const CORBA::SystemException& e)
          {
            last = ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall));
          }
        if (std::chrono::steady_clock::now() >= deadline) { break; }
        std::this_thread::sleep_for(TimeOuts::kToolWaitPoll);
      }
    throw ToolError(name + " did not become " + RTC::toString(wanted) + " within " +
                    secondsText(timeout) + " s (" + last + ")");
  }
}
