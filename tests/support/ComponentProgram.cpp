#include "ComponentProgram.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport
{
  void runComponentProgram(int argc, char** argv, ModuleInit init)
  {
    RTC::Manager* manager = RTC::Manager::init(argc, argv);
    manager->setModuleInitProc(init);
    manager->activateManager();
    manager->runManager(false);
  }

  RTC::RTObject_impl* createComponentOrAbort(RTC::Manager* manager, const char* args)
  {
    RTC::RTObject_impl* component = manager->createComponent(args);
    if (component == 0)
      {
        std::fprintf(stderr, "Component create failed. Arguments: %s\n", args);
        std::abort();
      }
    return component;
  }

  void deleteComponentObject(RTC::RTObject_impl* component)
  {
    delete component;
  }
}
