#include "ComponentRegistry.h"

#include "ComponentCore.h"
#include "Log.h"

#include <algorithm>
#include <cstdlib>

namespace RTC
{
  bool ComponentRegistry::registerFactory(const coil::Properties& profile, RtcNewFunc newFunc,
                                          RtcDeleteFunc deleteFunc)
  {
    const std::string& typeName =
      profile.getProperty("type_name", profile.getProperty("implementation_id"));
    if (typeName.empty() || newFunc == nullptr)
      {
        Log::error("registerFactory: profile without type_name, or no creation function");
        return false;
      }
    std::lock_guard<std::mutex> lock(m_mutex);
    Factory factory;
    factory.profile = profile;
    factory.newFunc = newFunc;
    factory.deleteFunc = deleteFunc;
    m_factories[typeName] = factory;
    return true;
  }

  bool ComponentRegistry::nameUsed(const std::string& instanceName) const
  {
    return std::any_of(m_instances.begin(), m_instances.end(),
                       [&instanceName](const Instance& instance) {
                         return coreOf(*instance.object).instanceName() == instanceName;
                       });
  }

  std::string ComponentRegistry::nextInstanceName(const std::string& typeName) const
  {
    for (unsigned number = 0;; ++number)
      {
        std::string candidate = typeName + std::to_string(number);
        if (!nameUsed(candidate)) { return candidate; }
      }
  }

  bool ComponentRegistry::prepare(const std::string& typeName, const std::string& requestedName,
                                  Factory& factory, std::string& instanceName, std::string& error)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_factories.find(typeName);
    if (found == m_factories.end())
      {
        error = "no factory registered for component type '" + typeName + "'";
        return false;
      }
    const std::string& limit = found->second.profile.getProperty("max_instance");
    long maxInstances = limit.empty() ? 0 : std::strtol(limit.c_str(), nullptr, 10);
    long existing =
      std::count_if(m_instances.begin(), m_instances.end(), [&typeName](const Instance& instance) {
        return coreOf(*instance.object).typeName() == typeName;
      });
    if (maxInstances > 0 && existing >= maxInstances)
      {
        error = typeName + " allows at most " + limit + " instance(s)";
        return false;
      }
    if (requestedName.empty()) { instanceName = nextInstanceName(typeName); }
    else if (nameUsed(requestedName))
      {
        error = "there is already a component named " + requestedName;
        return false;
      }
    else { instanceName = requestedName; }
    factory = found->second;
    return true;
  }

  void ComponentRegistry::add(const Instance& instance)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_instances.push_back(instance);
  }

  RTObject_impl* ComponentRegistry::find(const std::string& instanceName)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Instance& instance : m_instances)
      {
        if (coreOf(*instance.object).instanceName() == instanceName) { return instance.object; }
      }
    return nullptr;
  }

  std::vector<RTObject_impl*> ComponentRegistry::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTObject_impl*> result;
    for (const Instance& instance : m_instances) { result.push_back(instance.object); }
    return result;
  }

  bool ComponentRegistry::beginExit(const std::string& instanceName, Instance& removed,
                                    bool& wasLast)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_instances.begin(), m_instances.end(),
                           [&instanceName](const Instance& instance) {
                             return coreOf(*instance.object).instanceName() == instanceName;
                           });
    if (it == m_instances.end()) { return false; }
    removed = *it;
    m_instances.erase(it);
    wasLast = m_instances.empty();
    ++m_exiting;
    return true;
  }

  void ComponentRegistry::exitFinished()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      --m_exiting;
    }
    m_exitDone.notify_all();
  }

  std::vector<ComponentRegistry::Instance> ComponentRegistry::takeAll()
  {
    std::vector<Instance> instances;
    std::unique_lock<std::mutex> lock(m_mutex);
    instances.swap(m_instances);
    m_exitDone.wait(lock, [this] { return m_exiting == 0; });
    return instances;
  }
}
