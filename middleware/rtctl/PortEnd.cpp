#include "PortEnd.h"

#include "ConnectorRules.h"
#include "ToolError.h"

namespace rtctl
{
  PortEnd parsePortEnd(const std::string& text, const std::string& command)
  {
    std::string::size_type colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
      {
        throw ToolError(command + ": expected NAME:port, got '" + text + "'", true);
      }
    PortEnd end;
    end.text = text;
    end.component = text.substr(0, colon);
    end.port = text.substr(colon + 1);
    return end;
  }

  void lookUp(ToolContext& context, PortEnd& end)
  {
    RTC::RTObject_var component = context.find(end.component);
    std::vector<PortView> ports;
    try
      {
        ports = readPorts(component.in());
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(
          ToolContext::describe(end.component, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    const PortView* found = findPort(ports, end.port);
    if (found == nullptr)
      {
        throw ToolError(RTC::noSuchPort(end.component, end.port, shortNames(ports)));
      }
    end.view = *found;
  }
}
