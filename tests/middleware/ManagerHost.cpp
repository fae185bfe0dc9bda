// A manager program driven by its standard input: once it closes, the program ends its
// components the way HOST_MODE says, so a test can check how the manager shuts down.
//   exit         exit Worker1 then Worker0 one by one, as a remote "exit" does (default)
//   shutdown     Manager::shutdown() from a plain thread while runManager blocks in main
//   nonblocking  runManager(true); main itself calls Manager::shutdown()
//   callback     Worker0 calls Manager::shutdown() from its onExecute
// SLOW_DEACTIVATION=<instance> makes that component's onDeactivated take half a second.
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include "ManagerImpl.h"
#include "MiddlewareAccess.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{
  const char* workerSpec[] = {"type_name", "Worker", "category", "Test", ""};
  std::atomic<bool> g_inputClosed(false);
  std::string g_mode;

  void say(const std::string& text)
  {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }

  void waitForInputToClose()
  {
    while (std::fgetc(stdin) != EOF) {}
    g_inputClosed = true;
  }

  class Worker : public RTC::DataFlowComponentBase
  {
  public:
    explicit Worker(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (!m_executed) { say(std::string(getInstanceName()) + " onExecute"); }
      m_executed = true;
      if (g_mode == "callback" && g_inputClosed && !m_requested &&
          std::string(getInstanceName()) == "Worker0")
        {
          m_requested = true;
          RTC::Manager::instance().shutdown();
          say("shutdown requested");
        }
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override
    {
      const char* slow = std::getenv("SLOW_DEACTIVATION");
      if (slow != nullptr && std::string(slow) == getInstanceName())
        {
          say(std::string(getInstanceName()) + " slow deactivation");
          std::this_thread::sleep_for(std::chrono::milliseconds(500));   // simulated work
        }
      return note("onDeactivated");
    }
    RTC::ReturnCode_t onFinalize() override { return note("onFinalize"); }

  private:
    RTC::ReturnCode_t note(const std::string& callback)
    {
      say(std::string(getInstanceName()) + " " + callback);
      return RTC::RTC_OK;
    }

    bool m_executed = false;
    bool m_requested = false;
  };

  RTC::RTObject_impl* createWorker(RTC::Manager* manager)
  {
    return new Worker(manager);
  }
  void deleteWorker(RTC::RTObject_impl* component)
  {
    say(std::string("deleteWorker ") + component->getInstanceName());
    delete component;
  }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(workerSpec);
    manager->registerFactory(profile, createWorker, deleteWorker);
    manager->createComponent("Worker");
    manager->createComponent("Worker");
  }
}

int main(int argc, char** argv)
{
  const char* mode = std::getenv("HOST_MODE");
  g_mode = mode != nullptr ? mode : "exit";
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();

  if (g_mode == "nonblocking")
    {
      manager->runManager(true);
      waitForInputToClose();
      manager->shutdown();
      say("shutdown returned");
      return 0;
    }

  std::thread driver([manager] {
    waitForInputToClose();
    if (g_mode == "exit")
      {
        for (const char* name : {"Worker1", "Worker0"})
          {
            RTC::MiddlewareAccess::impl(*manager).exitComponent(name);
            say(std::string("exited ") + name);
          }
      }
    else if (g_mode == "shutdown")
      {
        manager->shutdown();
        say("shutdown returned");
      }
  });
  manager->runManager(false);
  say("runManager returned");
  driver.join();
  return 0;
}
