#include "ComponentCore.h"

#include <algorithm>

#include "PeriodicExecutionContext.h"

namespace RTC
{
  ComponentCore::ComponentCore() = default;
  ComponentCore::~ComponentCore() = default;

  void ComponentCore::setIdentity(const std::string& instanceName,
                                  const coil::Properties& properties)
  {
    m_instanceName = instanceName;
    m_properties = properties;
    m_properties.setProperty("instance_name", instanceName);
    m_config.load(m_properties);
  }

  std::string ComponentCore::typeName() const
  {
    return m_properties.getProperty("type_name");
  }
  std::string ComponentCore::category() const
  {
    return m_properties.getProperty("category");
  }

  namespace
  {
    template <typename Port>
    bool addPort(std::vector<std::pair<std::string, Port*>>& ports, const std::string& name,
                 Port& port)
    {
      for (const auto& existing : ports)
        {
          if (existing.first == name) { return false; }
        }
      ports.emplace_back(name, &port);
      return true;
    }

    template <typename Port>
    Port* findPort(std::vector<std::pair<std::string, Port*>>& ports, const std::string& name)
    {
      for (const auto& existing : ports)
        {
          if (existing.first == name) { return existing.second; }
        }
      return nullptr;
    }

    template <typename Port>
    std::vector<Port*> allPorts(const std::vector<std::pair<std::string, Port*>>& ports)
    {
      std::vector<Port*> result;
      for (const auto& existing : ports) { result.push_back(existing.second); }
      return result;
    }
  }

  bool ComponentCore::addInPort(const std::string& name, InPortBase& port)
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return addPort(m_inPorts, name, port) && rememberName(name);
  }

  bool ComponentCore::addOutPort(const std::string& name, OutPortBase& port)
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return addPort(m_outPorts, name, port) && rememberName(name);
  }

  bool ComponentCore::rememberName(const std::string& name)
  {
    if (std::find(m_portNames.begin(), m_portNames.end(), name) == m_portNames.end())
      {
        m_portNames.push_back(name);
      }
    return true;
  }

  std::vector<std::string> ComponentCore::portNames()
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return m_portNames;
  }

  InPortBase* ComponentCore::inPort(const std::string& name)
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return findPort(m_inPorts, name);
  }

  OutPortBase* ComponentCore::outPort(const std::string& name)
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return findPort(m_outPorts, name);
  }

  std::vector<InPortBase*> ComponentCore::inPorts()
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return allPorts(m_inPorts);
  }

  std::vector<OutPortBase*> ComponentCore::outPorts()
  {
    std::lock_guard<std::mutex> lock(m_portsMutex);
    return allPorts(m_outPorts);
  }

  void ComponentCore::attachExecutionContext(std::unique_ptr<PeriodicExecutionContext> context)
  {
    m_context = std::move(context);
  }

  PeriodicExecutionContext* ComponentCore::executionContext()
  {
    return m_context.get();
  }

  LifeCycleState ComponentCore::state()
  {
    return m_context ? m_context->state() : CREATED_STATE;
  }
}
