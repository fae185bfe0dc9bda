#include "ManagerImpl.h"

#include "CommandLine.h"
#include "ComponentCore.h"
#include "ConnectorRules.h"
#include "GuardedCall.h"
#include "Log.h"
#include "Orb.h"
#include "PeriodicExecutionContext.h"
#include "PortConnect.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace RTC
{
  namespace
  {
    bool isYes(const std::string& value)
    {
      return value == "YES" || value == "yes" || value == "Yes";
    }

    // "Type?key=value&key=value"
    bool parseComponentArgs(const std::string& args, std::string& typeName,
                            coil::Properties& properties)
    {
      std::string::size_type question = args.find('?');
      typeName = args.substr(0, question);
      if (typeName.empty()) { return false; }
      if (question == std::string::npos) { return true; }
      std::stringstream stream(args.substr(question + 1));
      std::string pair;
      while (std::getline(stream, pair, '&'))
        {
          if (pair.empty()) { continue; }
          std::string::size_type equals = pair.find('=');
          if (equals == std::string::npos || equals == 0) { return false; }
          properties.setProperty(pair.substr(0, equals), pair.substr(equals + 1));
        }
      return true;
    }
  }

  ManagerImpl::ManagerImpl(Manager& owner, const coil::Properties& config)
    : m_owner(owner), m_config(config)
  {
    Log::configure(isYes(m_config.getProperty("logger.enable", "YES")),
                   m_config.getProperty("logger.log_level"));
    // Before the ORB starts threads: they inherit the blocked shutdown signals.
    m_signal.install();
    m_orb = initOrb(m_config);
    // Without its endpoint no other process could reach this one: Manager::init stops there.
    m_remote = createRemoteLayer(*this, m_orb.in(), m_startupError);
  }

  ManagerImpl::~ManagerImpl()
  {
    if (m_watcher.joinable())
      {
        if (m_watcher.get_id() == std::this_thread::get_id()) { m_watcher.detach(); }
        else { m_watcher.join(); }
      }
  }

  bool ManagerImpl::activate()
  {
    if (m_moduleInit != nullptr) { m_moduleInit(&m_owner); }
    return true;
  }

  bool ManagerImpl::registerFactory(coil::Properties& profile, RtcNewFunc newFunc,
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

  std::string ManagerImpl::nextInstanceName(const std::string& typeName)
  {
    for (unsigned number = 0;; ++number)
      {
        std::string candidate = typeName + std::to_string(number);
        bool used = std::any_of(m_instances.begin(), m_instances.end(),
                                [&candidate](const Instance& instance) {
                                  return instance.object->core().instanceName() == candidate;
                                });
        if (!used) { return candidate; }
      }
  }

  bool ManagerImpl::componentProperties(const Factory& factory, const coil::Properties& args,
                                        const std::string& instanceName,
                                        coil::Properties& properties)
  {
    properties = factory.profile;
    const std::string typeName = properties.getProperty("type_name");
    const std::string category = properties.getProperty("category");
    properties.setProperty("exec_cxt.periodic.rate",
                           m_config.getProperty("exec_cxt.periodic.rate", "1000"));
    // Settings for the type, then for this instance, as "<category>.<name>.<key>" in the manager's configuration.
    for (const std::string& name : {typeName, instanceName})
      {
        coil::Properties node = m_config.getNode(category + "." + name);
        const std::string file = node.getProperty("config_file");
        if (!file.empty())
          {
            std::string error;
            if (!loadPropertiesFile(file, properties, error))
              {
                Log::error("component " + instanceName + ": " + error);
                return false;
              }
          }
        // Keys given in the manager's configuration (-o included) win over the file.
        properties.merge(node);
      }
    properties.merge(args);
    return true;
  }

  RTObject_impl* ManagerImpl::createComponent(const std::string& argsText)
  {
    std::lock_guard<std::recursive_mutex> creating(m_createMutex);
    std::string typeName;
    coil::Properties args;
    if (!parseComponentArgs(argsText, typeName, args))
      {
        Log::error("createComponent: malformed component arguments '" + argsText + "'");
        return nullptr;
      }

    Factory factory;
    std::string instanceName;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto found = m_factories.find(typeName);
      if (found == m_factories.end())
        {
          Log::error("createComponent: no factory registered for component type '" + typeName +
                     "'");
          return nullptr;
        }
      factory = found->second;
      const std::string& limit = factory.profile.getProperty("max_instance");
      long maxInstances = limit.empty() ? 0 : std::strtol(limit.c_str(), nullptr, 10);
      long existing = std::count_if(m_instances.begin(), m_instances.end(),
                                    [&typeName](const Instance& instance) {
                                      return instance.object->core().typeName() == typeName;
                                    });
      if (maxInstances > 0 && existing >= maxInstances)
        {
          Log::error("createComponent: " + typeName + " allows at most " + limit + " instance(s)");
          return nullptr;
        }
      instanceName = args.getProperty("instance_name");
      if (instanceName.empty()) { instanceName = nextInstanceName(typeName); }
      else if (std::any_of(m_instances.begin(), m_instances.end(),
                           [&instanceName](const Instance& instance) {
                             return instance.object->core().instanceName() == instanceName;
                           }))
        {
          Log::error("createComponent: there is already a component named " + instanceName);
          return nullptr;
        }
    }

    coil::Properties properties;
    if (!componentProperties(factory, args, instanceName, properties)) { return nullptr; }

    RTObject_impl* object = factory.newFunc(&m_owner);
    if (object == nullptr)
      {
        Log::error("createComponent: the creation function of " + typeName + " returned null");
        return nullptr;
      }
    ComponentCore& core = object->core();
    core.setIdentity(instanceName, properties);
    if (guardedCall([object] { return object->onInitialize(); }) != RTC_OK)
      {
        Log::error("createComponent: onInitialize of " + instanceName + " failed");
        if (factory.deleteFunc != nullptr) { factory.deleteFunc(object); }
        return nullptr;
      }
    core.config().update();

    double rate =
      std::strtod(properties.getProperty("exec_cxt.periodic.rate", "1000").c_str(), nullptr);
    core.attachExecutionContext(
      std::unique_ptr<PeriodicExecutionContext>(new PeriodicExecutionContext(*object, rate, 0)));
    core.executionContext()->start();

    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_instances.push_back(Instance{object, factory.deleteFunc});
    }
    if (m_remote) { m_remote->componentAdded(*object); }
    Log::info("component " + instanceName + " created");
    return object;
  }

  RTObject_impl* ManagerImpl::findComponent(const std::string& instanceName)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Instance& instance : m_instances)
      {
        if (instance.object->core().instanceName() == instanceName) { return instance.object; }
      }
    return nullptr;
  }

  std::vector<RTObject_impl*> ManagerImpl::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTObject_impl*> result;
    for (const Instance& instance : m_instances) { result.push_back(instance.object); }
    return result;
  }

  void ManagerImpl::finalize(Instance instance)
  {
    ComponentCore& core = instance.object->core();
    // Deactivation and onShutdown happen on the execution context thread, which is then joined.
    if (PeriodicExecutionContext* context = core.executionContext()) { context->stop(); }
    guardedCall([&instance] { return instance.object->onFinalize(); });
    if (m_remote) { m_remote->componentRemoved(*instance.object); }
    const std::string name = core.instanceName();
    if (instance.deleteFunc != nullptr) { instance.deleteFunc(instance.object); }
    Log::info("component " + name + " finalized");
  }

  bool ManagerImpl::exitComponent(const std::string& instanceName)
  {
    Instance found{nullptr, nullptr};
    bool empty = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto it = std::find_if(m_instances.begin(), m_instances.end(),
                             [&instanceName](const Instance& instance) {
                               return instance.object->core().instanceName() == instanceName;
                             });
      if (it == m_instances.end()) { return false; }
      found = *it;
      m_instances.erase(it);
      empty = m_instances.empty();
      ++m_exiting;
    }
    finalize(found);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      --m_exiting;
    }
    m_exitDone.notify_all();
    if (empty && shutdownWhenEmpty()) { m_signal.request(); }
    return true;
  }

  bool ManagerImpl::shutdownWhenEmpty() const
  {
    const std::string& nortcs = m_config.getProperty("manager.shutdown_nortcs", "YES");
    const std::string& onNortcs = m_config.getProperty("manager.shutdown_on_nortcs", nortcs);
    return isYes(onNortcs) && isYes(nortcs);
  }

  bool ManagerImpl::connect(const PortAddress& first, const PortAddress& second,
                            const coil::Properties& properties, std::string& error)
  {
    // With the remote layer, connections in this process too are made through the ports'
    // connect protocol, so that they show in the ports' connector profiles.
    if (m_remote) { return m_remote->connect(first, second, properties, error); }
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
        RTObject_impl* component = findComponent(end.component.path);
        if (component == nullptr)
          {
            error = "no component named '" + end.component.path + "'";
            return false;
          }
        OutPortBase* outPort = component->core().outPort(end.port);
        InPortBase* inPort = outPort == nullptr ? component->core().inPort(end.port) : nullptr;
        if (outPort == nullptr && inPort == nullptr)
          {
            error = end.component.text() + " has no port '" + end.port + "'";
            return false;
          }
        facts[i].name = end.text();
        facts[i].portType = outPort != nullptr ? "DataOutPort" : "DataInPort";
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

  bool ManagerImpl::activateComponent(const ComponentAddress& component, std::string& error)
  {
    if (component.remote)
      {
        if (!m_remote)
          {
            error = "components of other processes need the naming service, which is not enabled";
            return false;
          }
        return m_remote->activate(component, error);
      }
    RTObject_impl* object = findComponent(component.path);
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

  void ManagerImpl::preconnect()
  {
    const std::string& text = m_config.getProperty("manager.components.preconnect");
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

  void ManagerImpl::preactivate()
  {
    const std::string& text = m_config.getProperty("manager.components.preactivation");
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
        if (!activateComponent(name, error)) { Log::error("preactivation: " + error); }
      }
  }

  void ManagerImpl::run(bool noBlock)
  {
    {
      std::lock_guard<std::mutex> lock(m_shutdownMutex);
      if (m_running || m_shutdownDone) { return; }
      m_running = true;
    }
    preconnect();
    preactivate();
    if (noBlock)
      {
        m_watcher = std::thread([this] {
          m_signal.wait();
          performShutdown();
        });
        return;
      }
    m_signal.wait();
    performShutdown();
  }

  void ManagerImpl::shutdown()
  {
    m_signal.request();
    // A component callback must not wait for a shutdown that joins its own thread, and the
    // thread that carries the shutdown out does not wait for itself.
    if (PeriodicExecutionContext::onExecutionContextThread()) { return; }
    if (m_watcher.joinable())
      {
        if (m_watcher.get_id() != std::this_thread::get_id()) { m_watcher.join(); }
        return;
      }
    std::unique_lock<std::mutex> lock(m_shutdownMutex);
    if (!m_running)
      {
        lock.unlock();
        performShutdown();
        return;
      }
    // A blocking runManager in another thread carries the shutdown out; return once it is done.
    m_shutdownFinished.wait(lock, [this] { return m_shutdownDone; });
  }

  void ManagerImpl::performShutdown()
  {
    std::lock_guard<std::mutex> lock(m_shutdownMutex);
    if (m_shutdownDone) { return; }
    std::vector<Instance> instances;
    {
      std::unique_lock<std::mutex> listLock(m_mutex);
      instances.swap(m_instances);
      // A component being exited on another thread is finalised before the remote layer and
      // the ORB go, and before runManager returns.
      m_exitDone.wait(listLock, [this] { return m_exiting == 0; });
    }
    // Last created, first gone.
    for (auto it = instances.rbegin(); it != instances.rend(); ++it) { finalize(*it); }
    if (m_remote) { m_remote->shutdown(); }
    m_remote.reset();
    try
      {
        m_orb->destroy();
      }
    catch (const CORBA::Exception&)
      {
        Log::warn("the ORB did not shut down cleanly");
      }
    m_shutdownDone = true;
    m_shutdownFinished.notify_all();
    Log::info("manager shut down");
  }
}
