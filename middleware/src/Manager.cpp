#include <rtm/Manager.h>

#include "CommandLine.h"
#include "ManagerImpl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace RTC
{
  namespace
  {
    std::mutex g_instanceMutex;
    Manager* g_instance = nullptr;

    [[noreturn]] void failStartup(const char* program, const std::string& message)
    {
      const char* slash = program != nullptr ? std::strrchr(program, '/') : nullptr;
      std::fprintf(stderr, "%s: %s\n",
                   slash != nullptr ? slash + 1 : (program != nullptr ? program : "rtm"),
                   message.c_str());
      std::exit(1);
    }
  }

  Manager::Manager() = default;
  Manager::~Manager() = default;

  Manager* Manager::init(int argc, char** argv)
  {
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (g_instance != nullptr) { return g_instance; }
    const char* program = argc > 0 ? argv[0] : nullptr;
    CommandLine commandLine;
    std::string error;
    if (!parseCommandLine(argc, argv, commandLine, error)) { failStartup(program, error); }
    coil::Properties config;
    if (!buildManagerConfig(commandLine, config, error)) { failStartup(program, error); }

    // Lives until the process ends: components and static objects may still refer to it.
    Manager* manager = new Manager();
    manager->m_impl.reset(new ManagerImpl(*manager, config));
    if (!manager->m_impl->startupError().empty())
      {
        failStartup(program, manager->m_impl->startupError());
      }
    g_instance = manager;
    return g_instance;
  }

  Manager& Manager::instance()
  {
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (g_instance == nullptr)
      {
        std::fprintf(stderr, "rtm: Manager::instance() called before Manager::init()\n");
        std::abort();
      }
    return *g_instance;
  }

  void Manager::setModuleInitProc(ModuleInitProc proc)
  {
    m_impl->setModuleInitProc(proc);
  }
  bool Manager::activateManager()
  {
    return m_impl->activate();
  }
  void Manager::runManager(bool no_block)
  {
    m_impl->run(no_block);
  }

  bool Manager::registerFactory(coil::Properties& profile, RtcNewFunc new_func,
                                RtcDeleteFunc delete_func)
  {
    return m_impl->registerFactory(profile, new_func, delete_func);
  }

  RTObject_impl* Manager::createComponent(const char* comp_args)
  {
    return comp_args != nullptr ? m_impl->createComponent(comp_args) : nullptr;
  }

  void Manager::shutdown()
  {
    m_impl->shutdown();
  }

  const coil::Properties& Manager::getConfig() const
  {
    return m_impl->config();
  }
  RTObject_impl* Manager::findComponent(const std::string& instanceName)
  {
    return m_impl->findComponent(instanceName);
  }
  std::vector<RTObject_impl*> Manager::getComponents()
  {
    return m_impl->components();
  }
}
