#include "ManagerWiring.h"

#include "ComponentCore.h"
#include "Log.h"
#include "PeriodicExecutionContext.h"
#include "PortConnect.h"

#include <utility>
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
    RTObject_impl* a = m_components.find(first.component.path);
    RTObject_impl* b = m_components.find(second.component.path);
    if (a == nullptr || b == nullptr)
      {
        error = "no component named '" + (a == nullptr ? first : second).component.path + "'";
        return false;
      }
    // Either order is accepted: the out port is whichever end is one.
    OutPortBase* out = a->core().outPort(first.port);
    InPortBase* in = b->core().inPort(second.port);
    std::string outName = first.text();
    std::string inName = second.text();
    if (out == nullptr && in == nullptr)
      {
        out = b->core().outPort(second.port);
        in = a->core().inPort(first.port);
        std::swap(outName, inName);
      }
    if (out == nullptr || in == nullptr)
      {
        error = "cannot connect " + first.text() + " and " + second.text() +
                ": one must be an out port and the other an in port";
        return false;
      }
    ConnectionSettings settings;
    if (!makeConnectionSettings(properties, outName, inName, settings, error)) { return false; }
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
    PeriodicExecutionContext* context = object->core().executionContext();
    ReturnCode_t result = context != nullptr ? context->activate() : PRECONDITION_NOT_MET;
    if (result != RTC_OK)
      {
        error = "activation of " + component.path + " failed (state " +
                toString(object->core().state()) + ")";
        return false;
      }
    return true;
  }
}
