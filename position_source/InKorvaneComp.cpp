// Program InKorvaneComp: hosts one InKorvane component under the manager.
#include "InKorvane.h"

#include <cstdlib>
#include <iostream>

namespace
{
  void moduleInit(RTC::Manager* manager)
  {
    InKorvaneInit(manager);
    RTC::RTObject_impl* component = manager->createComponent("InKorvane");
    if (component == 0)
      {
        std::cerr << "Component create failed." << std::endl;
        std::abort();
      }
  }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  manager->runManager(false);
  return 0;
}
