// rtctl rate: reads or sets the rate of a component's own execution context.
#include "Commands.h"

#include "ToolError.h"

#include <RtcInterfaces.hh>

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace rtctl
{
  namespace
  {
    // A positive finite number, the whole text; the component would refuse anything else.
    double readRate(const std::string& text)
    {
      char* end = nullptr;
      const double rate = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !std::isfinite(rate) || !(rate > 0.0))
        {
          throw ToolError("rate: HZ must be a positive number, got '" + text + "'", true);
        }
      return rate;
    }
  }

  int rateCommand(ToolContext& context, const Arguments& arguments)
  {
    if (arguments.positional.empty() || arguments.positional.size() > 2)
      {
        throw ToolError("rate: expects a component NAME and optionally HZ", true);
      }
    const std::string& name = arguments.positional[0];
    const bool setting = arguments.positional.size() == 2;
    const double wanted = setting ? readRate(arguments.positional[1]) : 0.0;
    RTC::RTObject_var component = context.find(name);
    try
      {
        RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
        if (contexts->length() == 0 || CORBA::is_nil(contexts[0]))
          {
            throw ToolError(name + " has no execution context of its own");
          }
        if (setting)
          {
            const RTC::ReturnCode_t result = contexts[0]->set_rate(wanted);
            if (result != RTC::RTC_OK)
              {
                throw ToolError(name + " refused the rate " + arguments.positional[1]);
              }
          }
        std::cout << contexts[0]->get_rate() << " Hz" << std::endl;
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    return 0;
  }
}
