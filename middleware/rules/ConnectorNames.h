// How a connection is named and identified, and how a port is found by the name an operator or
// rtc.conf gives it. The manager, the remote layer and rtctl all take these, so a connection
// reads the same whichever of them made it.
#ifndef RTM_RULES_CONNECTORNAMES_H
#define RTM_RULES_CONNECTORNAMES_H

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace RTC
{
  // "<port0>:<port1>", the ports as they report themselves ("<instance>.<port>") in the order
  // of the connector profile: OpenRTM-aist's manager names the connectors it makes between two
  // ports this way. port0 is the port asked to connect.
  std::string defaultConnectorName(const std::string& port0, const std::string& port1);
  // The "name" that was asked for (with or without "dataport."), else the default.
  std::string connectorName(const coil::Properties& given, const std::string& port0,
                            const std::string& port1);

  // A fresh connector id: a random UUID, 36 lower-case characters as 8-4-4-4-12, the form
  // OpenRTM-aist's ports give. Thread-safe.
  std::string newConnectorId();

  // Which of `names` (as ports report them, "<instance>.<port>") is the port `wanted`: the one
  // named exactly so, else the shortest that ends in "." + wanted, so that neither a dot in
  // the instance name nor one in the port name hides a port. -1 when none is.
  int findPortName(const std::vector<std::string>& names, const std::string& wanted);
  // "<port>" of "<instance>.<port>" for listings; the whole name when it has no dot.
  std::string shortPortName(const std::string& name);
}

#endif
