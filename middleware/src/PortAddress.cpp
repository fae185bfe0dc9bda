#include "PortAddress.h"

#include "TextUtil.h"
#include "TopicRules.h"

namespace RTC
{
  namespace
  {
    const std::string kScheme = "rtcname://";
  }

  std::string ComponentAddress::text() const
  {
    return remote ? kScheme + nameServer + "/" + path : path;
  }

  std::string PortAddress::text() const
  {
    return component.text() + "." + port;
  }

  bool parseComponentAddress(const std::string& rawText, ComponentAddress& address,
                             std::string& error)
  {
    const std::string text = trim(rawText);
    address = ComponentAddress();
    if (text.compare(0, kScheme.size(), kScheme) == 0)
      {
        std::string rest = text.substr(kScheme.size());
        std::string::size_type slash = rest.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == rest.size())
          {
            error = "'" + text + "' is not rtcname://nameserver[:port]/path";
            return false;
          }
        address.remote = true;
        address.nameServer = rest.substr(0, slash);
        address.path = rest.substr(slash + 1);
        return true;
      }
    if (text.empty() || text.find_first_of("/?=&, ") != std::string::npos)
      {
        error = "'" + text + "' is not a component name";
        return false;
      }
    address.path = text;
    return true;
  }

  bool parsePortAddress(const std::string& rawText, PortAddress& address, std::string& error)
  {
    const std::string text = trim(rawText);
    std::string::size_type dot = text.rfind('.');
    std::string::size_type slash = text.rfind('/');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size() ||
        (slash != std::string::npos && slash > dot))
      {
        error = "'" + text + "' is not Component.port";
        return false;
      }
    address.port = text.substr(dot + 1);
    return parseComponentAddress(text.substr(0, dot), address.component, error);
  }

  bool parsePreconnect(const std::string& text, std::vector<PreconnectEntry>& entries,
                       std::string& error)
  {
    for (const std::string& item : split(text, ','))
      {
        std::string::size_type question = item.find('?');
        if (question == std::string::npos)
          {
            error = "preconnect entry '" + item + "' has no '?port=...'";
            return false;
          }
        PreconnectEntry entry;
        if (!parsePortAddress(item.substr(0, question), entry.first, error)) { return false; }
        bool havePeer = false;
        for (const std::string& pair : split(item.substr(question + 1), '&'))
          {
            std::string::size_type equals = pair.find('=');
            if (equals == std::string::npos || equals == 0)
              {
                error = "preconnect entry '" + item + "': '" + pair + "' is not key=value";
                return false;
              }
            std::string key = trim(pair.substr(0, equals));
            std::string value = trim(pair.substr(equals + 1));
            if (key == "port")
              {
                if (!parsePortAddress(value, entry.second, error)) { return false; }
                havePeer = true;
              }
            else { entry.properties.setProperty(key, value); }
          }
        entry.oneSided = !havePeer && isTopicConnector(entry.properties);
        if (!havePeer && !entry.oneSided)
          {
            error = "preconnect entry '" + item + "' has no port=...";
            return false;
          }
        entries.push_back(entry);
      }
    return true;
  }

  bool parseComponentList(const std::string& text, std::vector<ComponentAddress>& components,
                          std::string& error)
  {
    for (const std::string& item : split(text, ','))
      {
        ComponentAddress address;
        if (!parseComponentAddress(item, address, error)) { return false; }
        components.push_back(address);
      }
    return true;
  }
}
