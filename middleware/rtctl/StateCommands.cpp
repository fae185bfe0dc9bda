// rtctl activate, deactivate, reset, exit, state and wait.
#include "Commands.h"

#include "ProfileConversion.h"
#include "ToolError.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iostream>
#include <thread>

namespace rtctl
{
  namespace
  {
    typedef void (RTCRemote::_objref_ComponentControl::*Request)();

    CORBA::ULong timeoutOption(const Arguments& arguments, CORBA::ULong fallback)
    {
      const std::string text = arguments.option("--timeout");
      if (text.empty()) { return fallback; }
      return static_cast<CORBA::ULong>(parseSeconds(text, "--timeout") * 1000);
    }

    // Every name is looked up before the first request goes out.
    int requestEach(ToolContext& context, const Arguments& arguments, const std::string& command,
                    Request request, CORBA::ULong timeout)
    {
      if (arguments.positional.empty())
        {
          throw ToolError(command + ": expects at least one component NAME", true);
        }
      std::vector<RTCRemote::ComponentControl_var> components;
      for (const std::string& name : arguments.positional)
        {
          components.emplace_back(context.find(name, timeout));
        }
      for (std::size_t i = 0; i < components.size(); ++i)
        {
          try
            {
              (components[i].in()->*request)();
            }
          catch (const RTCRemote::ControlError& e)
            {
              throw ToolError(e.reason.in());
            }
          catch (const CORBA::SystemException& e)
            {
              throw ToolError(ToolContext::describe(arguments.positional[i], e, timeout));
            }
        }
      return 0;
    }

    bool parseState(std::string text, RTCRemote::LifeCycleState& state)
    {
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      if (text.size() > 6 && text.compare(text.size() - 6, 6, "_STATE") == 0)
        {
          text.resize(text.size() - 6);
        }
      for (RTCRemote::LifeCycleState candidate :
           {RTCRemote::CREATED_STATE, RTCRemote::INACTIVE_STATE, RTCRemote::ACTIVE_STATE,
            RTCRemote::ERROR_STATE})
        {
          if (text == RTC::stateName(candidate))
            {
              state = candidate;
              return true;
            }
        }
      return false;
    }
  }

  int activateCommand(ToolContext& context, const Arguments& arguments)
  {
    return requestEach(context, arguments, "activate",
                       &RTCRemote::_objref_ComponentControl::activate,
                       timeoutOption(arguments, g_controlTimeout));
  }

  int deactivateCommand(ToolContext& context, const Arguments& arguments)
  {
    // The call returns once onDeactivated has returned on the component's execution context.
    return requestEach(context, arguments, "deactivate",
                       &RTCRemote::_objref_ComponentControl::deactivate,
                       timeoutOption(arguments, g_controlTimeout));
  }

  int resetCommand(ToolContext& context, const Arguments& arguments)
  {
    return requestEach(context, arguments, "reset", &RTCRemote::_objref_ComponentControl::reset,
                       timeoutOption(arguments, g_controlTimeout));
  }

  int exitCommand(ToolContext& context, const Arguments& arguments)
  {
    return requestEach(context, arguments, "exit", &RTCRemote::_objref_ComponentControl::exit,
                       timeoutOption(arguments, g_controlTimeout));
  }

  int stateCommand(ToolContext& context, const Arguments& arguments)
  {
    if (arguments.positional.size() != 1)
      {
        throw ToolError("state: expects one component NAME", true);
      }
    const std::string& name = arguments.positional[0];
    RTCRemote::ComponentControl_var component = context.find(name, g_queryTimeout);
    try
      {
        std::cout << RTC::stateName(component->getState()) << std::endl;
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, g_queryTimeout));
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
    RTCRemote::LifeCycleState wanted;
    if (!parseState(arguments.positional[1], wanted))
      {
        throw ToolError("wait: STATE must be CREATED, INACTIVE, ACTIVE or ERROR, got '" +
                          arguments.positional[1] + "'",
                        true);
      }
    const CORBA::ULong timeout = timeoutOption(arguments, 10000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    std::string last;
    // Not registered yet, or not answering yet, counts as "not there yet": scripts start a
    // component and wait for it.
    while (true)
      {
        try
          {
            RTCRemote::ComponentControl_var component = context.find(name, g_queryTimeout);
            RTCRemote::LifeCycleState state = component->getState();
            if (state == wanted) { return 0; }
            last = std::string("it is ") + RTC::stateName(state);
          }
        catch (const ToolError& e)
          {
            last = e.what();
          }
        catch (const CORBA::SystemException& e)
          {
            last = ToolContext::describe(name, e, g_queryTimeout);
          }
        if (std::chrono::steady_clock::now() >= deadline) { break; }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    throw ToolError(name + " did not become " + RTC::stateName(wanted) + " within " +
                    secondsText(timeout) + " s (" + last + ")");
  }
}
