#include "ManagerImpl.h"

#include "ComponentCore.h"
#include "ComponentProperties.h"
#include "GuardedCall.h"
#include "Log.h"
#include "ManagerWiring.h"
#include "Orb.h"
#include "PeriodicExecutionContext.h"
#include "TextUtil.h"

#include <cstdlib>

namespace RTC
{
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
    return m_components.registerFactory(profile, newFunc, deleteFunc);
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

    ComponentRegistry::Factory factory;
    std::string instanceName;
    std::string error;
    if (!m_components.prepare(typeName, args.getProperty("instance_name"), factory, instanceName,
                              error))
      {
        Log::error("createComponent: " + error);
        return nullptr;
      }
    coil::Properties properties;
    if (!componentProperties(factory.profile, m_config, args, instanceName, properties, error))
      {
        Log::error("component " + instanceName + ": " + error);
        return nullptr;
      }

    RTObject_impl* object = factory.newFunc(&m_owner);
    if (object == nullptr)
      {
        Log::error("createComponent: the creation function of " + typeName + " returned null");
        return nullptr;
      }
    ComponentCore& core = coreOf(*object);
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

    m_components.add(Instance{object, factory.deleteFunc});
    if (m_remote) { m_remote->componentAdded(*object); }
    Log::info("component " + instanceName + " created");
    return object;
  }

  RTObject_impl* ManagerImpl::findComponent(const std::string& instanceName)
  {
    return m_components.find(instanceName);
  }

  std::vector<RTObject_impl*> ManagerImpl::components()
  {
    return m_components.components();
  }

  void ManagerImpl::finalize(Instance instance)
  {
    ComponentCore& core = coreOf(*instance.object);
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
    if (!m_components.beginExit(instanceName, found, empty)) { return false; }
    finalize(found);
    m_components.exitFinished();
    if (empty && shutdownWhenEmpty()) { m_signal.request(); }
    return true;
  }

  bool ManagerImpl::shutdownWhenEmpty() const
  {
    const std::string& nortcs = m_config.getProperty("manager.shutdown_nortcs", "YES");
    const std::string& onNortcs = m_config.getProperty("manager.shutdown_on_nortcs", nortcs);
    return isYes(onNortcs) && isYes(nortcs);
  }

  void ManagerImpl::run(bool noBlock)
  {
    {
      std::lock_guard<std::mutex> lock(m_shutdownMutex);
      if (m_running || m_shutdownDone) { return; }
      m_running = true;
    }
    ManagerWiring wiring(m_components, m_remote.get());
    wiring.preconnect(m_config);
    wiring.preactivate(m_config);
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
    // A component being exited on another thread is finalised before the remote layer and
    // the ORB go, and before runManager returns.
    std::vector<Instance> instances = m_components.takeAll();
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
