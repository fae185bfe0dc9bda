#include "PortConnect.h"

#include "ConnectionBuffer.h"
#include "ConnectorRules.h"
#include "InProcessConnector.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace RTC
{
  std::string newConnectionId()
  {
    static std::atomic<unsigned long> counter(0);
    static const unsigned long long salt = [] {
      std::random_device device;
      return (static_cast<unsigned long long>(device()) << 32) ^ device();
    }();
    char text[64];
    std::snprintf(text, sizeof(text), "%llx-%ld-%lu", salt, static_cast<long>(::getpid()),
                  ++counter);
    return text;
  }

  bool makeConnectionSettings(const coil::Properties& properties, const std::string& outPort,
                              const std::string& inPort, ConnectionSettings& settings,
                              std::string& error)
  {
    // Both ends are judged here: the writer's rules include the reader's.
    ConnectorTerms terms;
    if (!readConnectorTerms(connectorProperties(properties), ConnectorEnd::Writer, terms, error))
      {
        return false;
      }
    settings = terms.settings;
    settings.outPort = outPort;
    settings.inPort = inPort;
    settings.id = newConnectionId();
    settings.name = connectorValue(properties, "name", outPort + "_" + inPort);
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
