// Making connections between ports: settings from connection properties, and the in-process case.
#ifndef RTM_SRC_PORTCONNECT_H
#define RTM_SRC_PORTCONNECT_H

#include <coil/Properties.h>
#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>
#include <rtm/PortConnection.h>

#include <string>

namespace RTC
{
  // Settings for a connection in this process, by the connector rules of both ends (keys with or
  // without "dataport."), with a fresh id and a name (as if the out port had been asked first).
  // False with the rule's refusal in `error`.
  bool makeConnectionSettings(const coil::Properties& properties, const std::string& outPort,
                              const std::string& inPort, ConnectionSettings& settings,
                              std::string& error);

  // The reader gets a buffer, the writer a connector pushing into it. Types must match.
  bool connectInProcess(OutPortBase& out, InPortBase& in, const ConnectionSettings& settings,
                        std::string& error);
}

#endif
