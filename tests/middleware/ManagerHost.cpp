// A manager program whose components are exited one by one, the way a remote "exit" request
// does it, once standard input closes. Lets a test see whether the process ends when its last
// component is gone (manager.shutdown_nortcs).
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include "ManagerImpl.h"

#include <cstdio>
#include <string>
#include <thread>

namespace
{
  const char* workerSpec[] = {"type_name", "Worker", "category", "Test", ""};

  void say(const std::string& text)
  {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }

  class Worker : public RTC::DataFlowComponentBase
  {
  public:
    explicit Worker(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (!m_executed) { say(std::string(getInstanceName()) + " onExecute"); }
      m_executed = true;
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override { return note("onDeactivated"); }
    RTC::ReturnCode_t onFinalize() override { return note("onFinalize"); }

  private:
    RTC::ReturnCode_t note(const std::string& callback)
    {
      say(std::string(getInstanceName()) + " " + callback);
      return RTC::RTC_OK;
    }

    bool m_executed = false;
  };

  RTC::RTObject_impl* createWorker(RTC::Manager* manager) { return new Worker(manager); }
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
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  std::thread exiter([manager] {
    while (std::fgetc(stdin) != EOF) {}
    for (const char* name : {"Worker1", "Worker0"})
      {
        manager->impl().exitComponent(name);
        say(std::string("exited ") + name);
      }
  });
  manager->runManager(false);
  say("runManager returned");
  exiter.join();
  return 0;
}
