#include "ConnectorSettings.h"

#include "ConnectorRules.h"
#include "RtctlSurface.h"
#include "RtcText.h"
#include "ToolError.h"

namespace rtctl
{
  ConnectorSettings parseConnectorSettings(const std::vector<std::string>& pairs)
  {
    ConnectorSettings settings;
    coil::Properties given;
    for (const std::string& pair : pairs)
      {
        const std::string::size_type equals = pair.find('=');
        if (equals == std::string::npos || equals == 0)
          {
            throw ToolError("connect: -p needs key=value, got '" + pair + "'", true);
          }
        const std::string key = pair.substr(0, equals);
        const std::string value = pair.substr(equals + 1);
        // A key given twice, with the prefix or without: the later value counts.
        if (key == "name") { settings.name = value; }
        else { given.setProperty(RTC::dataportKey(key), value); }
      }
    const coil::Properties connector = RTC::connectorProperties(given);
    // Only the buffer is judged before a port is asked: the rest is the port's to judge, and a
    // port of OpenRTM-aist may take more than ours do.
    RTC::ConnectorTerms terms;
    std::string refusal;
    if (!RTC::readBufferTerms(connector, terms, refusal)) { throw ToolError(refusal); }
    settings.properties = RTC::toNameValues(connector);
    return settings;
  }
}
