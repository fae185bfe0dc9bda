#include "PortConnect.h"

#include "ConnectionBuffer.h"
#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "InProcessConnector.h"

namespace RTC
{
  bool makeConnectionSettings(const coil::Properties& properties, const std::string& outPort,
                              const std::string& inPort, ConnectionSettings& settings,
                              std::string& error)
  {
    // Both ends are judged here.
    ConnectorTerms terms;
    if (!readConnectorTerms(connectorProperties(properties), ConnectorEnd::Both, terms, error))
      {
        return false;
      }
    settings = terms.settings;
    settings.outPort = outPort;
    settings.inPort = inPort;
    settings.id = newConnectorId();
    settings.name = connectorName(properties, outPort, inPort);
    return true;
  }

  bool connectInProcess(OutPortBase& out, InPortBase& in, const ConnectionSettings& settings,
                        std::string& error)
  {
    if (!checkDataTypes(out.dataType(), in.dataType(), error))
      {
        error = cannotConnect(settings.outPort, settings.inPort, error);
        return false;
      }
    std::shared_ptr<ConnectionBuffer> buffer = in.addConnection(settings);
    out.addConnector(std::make_shared<InProcessConnector>(settings, buffer));
    return true;
  }
}
