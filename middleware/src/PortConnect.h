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
  // Reads buffer.length, buffer.write.full_policy, subscription_type and publisher.push_policy
  // (also with a "dataport." prefix) and gives the connection a fresh id and a name. False with `error` on a bad value.
  bool makeConnectionSettings(const coil::Properties& properties, const std::string& outPort,
                              const std::string& inPort, ConnectionSettings& settings,
                              std::string& error);
  std::string newConnectionId();

  // The reader gets a buffer, the writer a connector pushing into it. Types must match.
  bool connectInProcess(OutPortBase& out, InPortBase& in, const ConnectionSettings& settings,
                        std::string& error);
}

#endif
