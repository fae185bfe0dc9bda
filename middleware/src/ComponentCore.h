// What the middleware keeps for one component: identity, properties, ports, configuration and
// its execution context.
#ifndef RTM_SRC_COMPONENTCORE_H
#define RTM_SRC_COMPONENTCORE_H

#include <coil/Properties.h>
#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>
#include <rtm/RTC.h>

#include "ConfigAdmin.h"
#include "MiddlewareAccess.h"   // coreOf: the way from a component to its core

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class PeriodicExecutionContext;
  class RTObject_impl;

  class ComponentCore
  {
  public:
    ComponentCore();
    ~ComponentCore();

    void setIdentity(const std::string& instanceName, const coil::Properties& properties);
    const std::string& instanceName() const { return m_instanceName; }
    const coil::Properties& properties() const { return m_properties; }
    std::string typeName() const;
    std::string category() const;

    ConfigAdmin& config() { return m_config; }

    bool addInPort(const std::string& name, InPortBase& port);
    bool addOutPort(const std::string& name, OutPortBase& port);
    InPortBase* inPort(const std::string& name);
    OutPortBase* outPort(const std::string& name);
    std::vector<InPortBase*> inPorts();
    std::vector<OutPortBase*> outPorts();
    // Port names in the order the component added them, as peers and tools list them.
    std::vector<std::string> portNames();

    void attachExecutionContext(std::unique_ptr<PeriodicExecutionContext> context);
    // Null until the manager has attached one.
    PeriodicExecutionContext* executionContext();
    LifeCycleState state();

  private:
    // Adds `name` to m_portNames once; the caller holds m_portsMutex.
    bool rememberName(const std::string& name);

    std::string m_instanceName;
    coil::Properties m_properties;
    ConfigAdmin m_config;
    std::mutex m_portsMutex;
    std::vector<std::pair<std::string, InPortBase*>> m_inPorts;
    std::vector<std::pair<std::string, OutPortBase*>> m_outPorts;
    std::vector<std::string> m_portNames;
    std::unique_ptr<PeriodicExecutionContext> m_context;
  };
}

#endif
