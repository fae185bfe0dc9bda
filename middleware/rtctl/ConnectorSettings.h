// What `rtctl connect -p key=value` asks for, as the properties of an OpenRTM-aist connector
// profile.
#ifndef RTCTL_CONNECTORSETTINGS_H
#define RTCTL_CONNECTORSETTINGS_H

#include <RtcInterfaces.hh>

#include <string>
#include <vector>

namespace rtctl
{
  struct ConnectorSettings
  {
    std::string name;   // -p name=TEXT; empty: the tool names the connection
    // Push data flow over corba_cdr with flush subscription unless given otherwise; keys
    // without "dataport." get it; every value a string.
    SDOPackage::NVList properties;
  };

  // `pairs` are the -p values. Throws ToolError: a usage error for a pair without '=', a
  // plain one for a value the ports would not take.
  ConnectorSettings parseConnectorSettings(const std::vector<std::string>& pairs);
}

#endif
