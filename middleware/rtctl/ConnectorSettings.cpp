#include "ConnectorSettings.h"

#include "RtcText.h"
#include "ToolError.h"

#include <cstdlib>
#include <map>

namespace rtctl
{
  namespace
  {
    const std::string g_prefix = "dataport.";

    // The values OpenRTM-aist's ports accept for the keys we can check here; a port that gets
    // another value falls back to its default without saying so.
    void check(const std::string& key, const std::string& value)
    {
      if (key == "dataport.buffer.length")
        {
          char* end = nullptr;
          const long length = std::strtol(value.c_str(), &end, 10);
          if (value.empty() || *end != '\0' || length < 1 || length > 1000000)
            {
              throw ToolError("buffer.length must be a number from 1 to 1000000, got '" + value +
                              "'");
            }
        }
      else if (key == "dataport.buffer.write.full_policy" && value != "overwrite" &&
               value != "do_nothing")
        {
          throw ToolError("buffer.write.full_policy must be overwrite or do_nothing, got '" +
                          value + "'");
        }
    }
  }

  ConnectorSettings parseConnectorSettings(const std::vector<std::string>& pairs)
  {
    ConnectorSettings settings;
    std::map<std::string, std::string> given;
    std::vector<std::string> order;
    for (const std::string& pair : pairs)
      {
        const std::string::size_type equals = pair.find('=');
        if (equals == std::string::npos || equals == 0)
          {
            throw ToolError("connect: -p needs key=value, got '" + pair + "'", true);
          }
        std::string key = pair.substr(0, equals);
        const std::string value = pair.substr(equals + 1);
        if (key == "name")
          {
            settings.name = value;
            continue;
          }
        if (key.compare(0, g_prefix.size(), g_prefix) != 0) { key = g_prefix + key; }
        check(key, value);
        if (given.count(key) == 0) { order.push_back(key); }
        given[key] = value;
      }
    const std::pair<const char*, const char*> defaults[] = {
      {"dataport.dataflow_type", "push"},
      {"dataport.interface_type", "corba_cdr"},
      {"dataport.subscription_type", "flush"}};
    for (const auto& entry : defaults)
      {
        auto found = given.find(entry.first);
        appendString(settings.properties, entry.first,
                     found == given.end() ? entry.second : found->second);
      }
    for (const std::string& key : order)
      {
        bool isDefault = false;
        for (const auto& entry : defaults) { isDefault = isDefault || key == entry.first; }
        if (!isDefault) { appendString(settings.properties, key, given[key]); }
      }
    return settings;
  }
}
