// The manager's life: configuration and ORB at the start, component creation and exit, the run,
// and the shutdown sequence. Factories and the component list are its ComponentRegistry;
// preconnect and preactivation its ManagerWiring.
#ifndef RTM_SRC_MANAGERIMPL_H
#define RTM_SRC_MANAGERIMPL_H

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>
#include <rtm/Manager.h>

#include "ComponentRegistry.h"
#include "RemoteLayer.h"
#include "ShutdownSignal.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RTC
{
  class ManagerImpl
  {
  public:
    ManagerImpl(Manager& owner, const coil::Properties& config);
    ~ManagerImpl();
    // Why the manager cannot run (one line), or empty.
    const std::string& startupError() const { return m_startupError; }

    const coil::Properties& config() const { return m_config; }
    CORBA::ORB_ptr orb() { return m_orb.in(); }
    Manager& owner() { return m_owner; }

    void setModuleInitProc(Manager::ModuleInitProc proc) { m_moduleInit = proc; }
    bool activate();
    void run(bool noBlock);
    void shutdown();

    bool registerFactory(coil::Properties& profile, RtcNewFunc newFunc, RtcDeleteFunc deleteFunc);
    RTObject_impl* createComponent(const std::string& args);
    RTObject_impl* findComponent(const std::string& instanceName);
    std::vector<RTObject_impl*> components();

    // Deactivates, finalises and deletes one component; the process then ends when it was the
    // last one and manager.shutdown_nortcs says so. Never call it on the component's own
    // execution context thread.
    bool exitComponent(const std::string& instanceName);

    RemoteLayer* remote() { return m_remote.get(); }

  private:
    using Instance = ComponentRegistry::Instance;

    void finalize(Instance instance);
    void performShutdown();
    bool shutdownWhenEmpty() const;

    Manager& m_owner;
    coil::Properties m_config;
    CORBA::ORB_var m_orb;
    std::unique_ptr<RemoteLayer> m_remote;
    std::string m_startupError;
    Manager::ModuleInitProc m_moduleInit = nullptr;
    ShutdownSignal m_signal;

    ComponentRegistry m_components;
    // One creation at a time, so the instance limit and the name are checked and taken together;
    // recursive because onInitialize may create another component.
    std::recursive_mutex m_createMutex;

    std::mutex m_shutdownMutex;   // one shutdown at a time; later callers wait for it
    bool m_shutdownDone = false;
    std::condition_variable m_shutdownFinished;   // notified once m_shutdownDone is set
    bool m_running = false;
    std::thread m_watcher;   // runManager(true): waits for the request and shuts down
  };
}

#endif
