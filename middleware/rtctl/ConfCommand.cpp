// rtctl conf: shows a component's configuration, one parameter, or sets one.
#include "Commands.h"

#include "ToolError.h"

#include <iostream>

namespace rtctl
{
  int confCommand(ToolContext& context, const Arguments& arguments)
  {
    const std::vector<std::string>& words = arguments.positional;
    if (words.empty() || words.size() > 3)
      {
        throw ToolError("conf: expects NAME [PARAM [VALUE]]", true);
      }
    const std::string& name = words[0];
    RTCRemote::ComponentControl_var component = context.find(name, g_queryTimeout);
    RTCRemote::ComponentProfile_var profile = context.profile(component.in(), name, g_queryTimeout);
    const RTCRemote::NameValueList& values = profile->configuration;

    if (words.size() == 1)
      {
        std::cout << "active configuration set: " << profile->activeConfigurationSet.in() << "\n";
        std::cout << "configuration sets:";
        for (CORBA::ULong i = 0; i < profile->configurationSets.length(); ++i)
          {
            std::cout << (i == 0 ? " " : ", ") << profile->configurationSets[i].in();
          }
        std::cout << "\n";
        for (CORBA::ULong i = 0; i < values.length(); ++i)
          {
            std::cout << values[i].name.in() << ": " << values[i].value.in() << "\n";
          }
        std::cout.flush();
        return 0;
      }

    const std::string& param = words[1];
    if (words.size() == 2)
      {
        for (CORBA::ULong i = 0; i < values.length(); ++i)
          {
            if (param == values[i].name.in())
              {
                std::cout << values[i].value.in() << std::endl;
                return 0;
              }
          }
        throw ToolError(name + " has no configuration parameter '" + param + "'");
      }

    try
      {
        component->setConfiguration(arguments.option("-s").c_str(), param.c_str(),
                                    words[2].c_str());
      }
    catch (const RTCRemote::ControlError& e)
      {
        throw ToolError(e.reason.in());
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, g_queryTimeout));
      }
    return 0;
  }
}
