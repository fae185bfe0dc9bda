#include "ManagerWiring.h"

#include "ComponentCore.h"
#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "Log.h"
#include "PeriodicExecutionContext.h"
#include "PortConnect.h"

#include <vector>

namespace RTC
{
  ManagerWiring::ManagerWiring(ComponentRegistry& components, RemoteLayer* remote)
    : m_components(components), m_remote(remote)
  {
  }

  void ManagerWiring::preconnect(const coil::Properties& config)
  {
    const std::string& text = config.getProperty("manager.components.preconnect");
    if (text.empty()) { return; }
    std::vector<PreconnectEntry> entries;
    std::string error;
    if (!parsePreconnect(text, entries, error))
      {
        Log::error("manager.components.preconnect: " + error);
        return;
      }
    for (const PreconnectEntry& entry : entries)
      {
        if (entry.oneSided)
          {
            if (!joinTopic(entry.first, entry.properties, error))
              {
                Log::error("preconnect " + entry.first.text() + " to its topic: " + error);
              }
            continue;
          }
        if (!connect(entry.first, entry.second, entry.properties, error))
          {
            Log::error("preconnect " + entry.first.text() + " to " + entry.second.text() + ": " +
                       error);
          }
      }
  }

  void ManagerWiring::preactivate(const coil::Properties& config)
  {
    const std::string& text = config.getProperty("manager.components.preactivation");
    if (text.empty()) { return; }
    std::vector<ComponentAddress> names;
    std::string error;
    if (!parseComponentList(text, names, error))
      {
        Log::error("manager.components.preactivation: " + error);
        return;
      }
    for (const ComponentAddress& name : names)
      {
        if (!activate(name, error)) { Log::error("preactivation: " + error); }
      }
  }

  bool ManagerWiring::connect(const PortAddress& first, const PortAddress& second,
                              const coil::Properties& properties, std::string& error)
  {
    // With the remote layer, connections in this process too are made through the ports'
    // connect protocol, so that they show in the ports' connector profiles.
    if (m_remote != nullptr) { return m_remote->connect(first, second, properties, error); }
    if (first.component.remote || second.component.remote)
      {
        error = "components of other processes need the remote layer, which is not there";
        return false;
      }
    // Either order is accepted: the out port is whichever end is one.
    OutPortBase* out = nullptr;
    InPortBase* in = nullptr;
    PortFacts facts[2];
    const PortAddress* ends[2] = {&first, &second};
    for (int i = 0; i < 2; ++i)
      {
        const PortAddress& end = *ends[i];
        RTObject_impl* component = m_components.find(end.component.path);
        if (component == nullptr)
          {
            error = "no component named '" + end.component.path + "'";
            return false;
          }
        // The one look-up, on the names the ports would report.
        const std::vector<std::string> ports = coreOf(*component).portNames();
        std::vector<std::string> names;
        for (const std::string& port : ports) { names.push_back(end.component.path + "." + port); }
        const int index = findPortName(names, end.port);
        if (index < 0)
          {
            error = noSuchPort(end.component.text(), end.port, ports);
            return false;
          }
        OutPortBase* outPort = coreOf(*component).outPort(ports[index]);
        InPortBase* inPort = outPort == nullptr ? coreOf(*component).inPort(ports[index]) : nullptr;
        facts[i].name = names[index];
        facts[i].portType = outPort != nullptr ? kOutPortType : kInPortType;
        facts[i].dataType = outPort != nullptr ? outPort->dataType() : inPort->dataType();
        if (outPort != nullptr) { out = outPort; }
        else { in = inPort; }
      }
    const bool outFirst = facts[0].portType == kOutPortType;
    ConnectionSettings settings;
    if (!checkPairing(facts[0], facts[1], error) ||
        !makeConnectionSettings(properties, facts[outFirst ? 0 : 1].name,
                                facts[outFirst ? 1 : 0].name, settings, error))
      {
        error = cannotConnect(facts[0].name, facts[1].name, error);
        return false;
      }
    // Named in the order asked, as a connection through the remote layer is.
    settings.name = connectorName(properties, facts[0].name, facts[1].name);
    return connectInProcess(*out, *in, settings, error);
  }

  bool ManagerWiring::joinTopic(const PortAddress& port, const coil::Properties& properties,
                                std::string& error)
  {
    if (m_remote == nullptr)
      {
        error = "a port joins a topic through the remote layer, which is not there";
        return false;
      }
    return m_remote->joinTopic(port, properties, error);
  }

  bool ManagerWiring::activate(const ComponentAddress& component, std::string& error)
  {
    if (component.remote)
      {
        if (m_remote == nullptr)
          {
            error = "components of other processes need the naming service, which is not enabled";
            return false;
          }
        return m_remote->activate(component, error);
      }
    RTObject_impl* object = m_components.find(component.path);
    if (object == nullptr)
      {
        error = "no component named '" + component.path + "'";
        return false;
      }
    PeriodicExecutionContext* context = coreOf(*object).executionContext();
    ReturnCode_t result = context != nullptr ? context->activate() : PRECONDITION_NOT_MET;
    if (result != RTC_OK)
      {
        error = "activation of " + component.path + " failed (state " +
                toString(coreOf(*object).state()) + ")";
        return false;
      }
    return true;
  }
}
