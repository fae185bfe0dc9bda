// Names of ports and components as they appear in manager options and tool commands:
// "Comp0.port" in this process, or "rtcname://host[:port]/path/Comp0.port" through a naming service.
#ifndef RTM_SRC_PORTADDRESS_H
#define RTM_SRC_PORTADDRESS_H

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace RTC
{
  struct ComponentAddress
  {
    bool remote = false;
    std::string nameServer;   // "host:port" of the naming service, remote only
    std::string path;         // instance name, or naming path without ".rtc" when remote
    std::string text() const;
  };

  struct PortAddress
  {
    ComponentAddress component;
    std::string port;
    std::string text() const;
  };

  struct PreconnectEntry
  {
    PortAddress first;
    PortAddress second;            // none when the port joins a topic (oneSided)
    coil::Properties properties;   // buffer.length and the like
    bool oneSided = false;
  };

  bool parseComponentAddress(const std::string& text, ComponentAddress& address,
                             std::string& error);
  bool parsePortAddress(const std::string& text, PortAddress& address, std::string& error);
  // "A.port?port=B.port&key=value,..." (blanks around entries ignored); with
  // interface_type=fast-rtps the port=... may be left out: the port joins a topic.
  bool parsePreconnect(const std::string& text, std::vector<PreconnectEntry>& entries,
                       std::string& error);
  // Comma-separated component names.
  bool parseComponentList(const std::string& text, std::vector<ComponentAddress>& components,
                          std::string& error);
}

#endif
