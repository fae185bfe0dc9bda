// A port as the operator names it on the command line ("NAME:port"), with what its component
// reports about it.
#ifndef RTCTL_PORTEND_H
#define RTCTL_PORTEND_H

#include "ComponentPorts.h"
#include "ToolContext.h"

#include <string>

namespace rtctl
{
  struct PortEnd
  {
    std::string text;
    std::string component;
    std::string port;
    PortView view;
  };

  // Throws a usage ToolError naming `command` when `text` is not NAME:port.
  PortEnd parsePortEnd(const std::string& text, const std::string& command);
  // Finds the component and the port; throws ToolError when either is not there or the
  // component does not answer.
  void lookUp(ToolContext& context, PortEnd& end);
}

#endif
