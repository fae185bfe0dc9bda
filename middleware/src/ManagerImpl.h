// The manager's working parts: configuration, ORB, factories, the component list and the
// shutdown sequence.
#ifndef RTM_SRC_MANAGERIMPL_H
#define RTM_SRC_MANAGERIMPL_H

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>
#include <rtm/Manager.h>

#include "PortAddress.h"
#include "RemoteLayer.h"
#include "ShutdownSignal.h"

#include <condition_variable>
#include <map>
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

    // Connects two ports named as in manager.components.preconnect. False with `error`.
    bool connect(const PortAddress& first, const PortAddress& second,
                 const coil::Properties& properties, std::string& error);
    bool activateComponent(const ComponentAddress& component, std::string& error);

    RemoteLayer* remote() { return m_remote.get(); }

  private:
    struct Factory
    {
      coil::Properties profile;
      RtcNewFunc newFunc;
      RtcDeleteFunc deleteFunc;
    };
    struct Instance
    {
      RTObject_impl* object;
      RtcDeleteFunc deleteFunc;
    };

    bool componentProperties(const Factory& factory, const coil::Properties& args,
                             const std::string& instanceName, coil::Properties& properties);
    std::string nextInstanceName(const std::string& typeName);
    void finalize(Instance instance);
    void preconnect();
    void preactivate();
    void performShutdown();
    bool shutdownWhenEmpty() const;

    Manager& m_owner;
    coil::Properties m_config;
    CORBA::ORB_var m_orb;
    std::unique_ptr<RemoteLayer> m_remote;
    std::string m_startupError;
    Manager::ModuleInitProc m_moduleInit = nullptr;
    ShutdownSignal m_signal;

    std::mutex m_mutex;   // guards the factories and the component list
    // One creation at a time, so the instance limit and the name are checked and taken together;
    // recursive because onInitialize may create another component.
    std::recursive_mutex m_createMutex;
    std::map<std::string, Factory> m_factories;
    std::vector<Instance> m_instances;
    int m_exiting = 0;                    // guarded by m_mutex: exits still finalising
    std::condition_variable m_exitDone;   // notified when m_exiting goes down

    std::mutex m_shutdownMutex;   // one shutdown at a time; later callers wait for it
    bool m_shutdownDone = false;
    std::condition_variable m_shutdownFinished;   // notified once m_shutdownDone is set
    bool m_running = false;
    std::thread m_watcher;   // runManager(true): waits for the request and shuts down
  };
}

#endif
