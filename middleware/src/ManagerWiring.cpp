#include "ManagerWiring.h"

#include "ComponentCore.h"
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
    std::string outName;
    std::string inName;
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
        OutPortBase* outPort = coreOf(*component).outPort(end.port);
        InPortBase* inPort = outPort == nullptr ? coreOf(*component).inPort(end.port) : nullptr;
        if (outPort == nullptr && inPort == nullptr)
          {
            error = end.component.text() + " has no port '" + end.port + "'";
            return false;
          }
        facts[i].name = end.text();
        facts[i].portType = outPort != nullptr ? kOutPortType : kInPortType;
        facts[i].dataType = outPort != nullptr ? outPort->dataType() : inPort->dataType();
        if (outPort != nullptr)
          {
            out = outPort;
            outName = end.text();
          }
        else
          {
            in = inPort;
            inName = end.text();
          }
      }
    ConnectionSettings settings;
    if (!checkPairing(facts[0], facts[1], error) ||
        !makeConnectionSettings(properties, outName, inName, settings, error))
      {
        error = cannotConnect(first.text(), second.text(), error);
        return false;
      }
    return connectInProcess(*out, *in, settings, error);
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
