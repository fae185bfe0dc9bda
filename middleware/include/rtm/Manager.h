// The process's component manager: reads the command line and configuration, creates
// components from registered factories, runs them and shuts them down in order.
#ifndef RTM_MANAGER_H
#define RTM_MANAGER_H

#include <coil/Properties.h>
#include <rtm/RTObject.h>

#include <memory>
#include <string>
#include <vector>

namespace RTC
{
  class Manager;
  class ManagerImpl;

  typedef RTObject_impl* (*RtcNewFunc)(Manager* manager);
  typedef void (*RtcDeleteFunc)(RTObject_impl* rtc);

  class Manager
  {
  public:
    typedef void (*ModuleInitProc)(Manager* manager);

    // Creates the process's manager from the command line. Bad options, a missing -f file or
    // a malformed -o end the process with one line on standard error and status 1.
    static Manager* init(int argc, char** argv);
    // The manager created by init(); init() must have run.
    static Manager& instance();

    void setModuleInitProc(ModuleInitProc proc);
    // Starts the middleware and runs the module init procedure.
    bool activateManager();
    // Connects and activates the preconfigured components, then runs until shutdown
    // (SIGINT, SIGTERM, shutdown(), or the last component gone). With no_block it returns at
    // once and a background thread carries out the shutdown when it is requested.
    void runManager(bool no_block = false);

    bool registerFactory(coil::Properties& profile, RtcNewFunc new_func, RtcDeleteFunc delete_func);
    // "TypeName" or "TypeName?key=value&..."; null on failure (reported on standard error).
    RTObject_impl* createComponent(const char* comp_args);
    // Stops everything in order and returns once done; from a component callback it only
    // requests the shutdown.
    void shutdown();

    // Middleware side.
    const coil::Properties& getConfig() const;
    RTObject_impl* findComponent(const std::string& instanceName);
    std::vector<RTObject_impl*> getComponents();

    ~Manager();

  private:
    friend class MiddlewareAccess;   // the middleware's own way to m_impl
    Manager();
    std::unique_ptr<ManagerImpl> m_impl;
  };
}

#endif
