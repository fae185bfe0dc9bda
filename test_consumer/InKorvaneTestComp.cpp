// Program InKorvaneTestComp: hosts one InKorvaneTest component under the manager.
#include "InKorvaneTest.h"

#include <cstdlib>
#include <iostream>

namespace
{
  void moduleInit(RTC::Manager* manager)
  {
    InKorvaneTestInit(manager);
    RTC::RTObject_impl* component = manager->createComponent("InKorvaneTest");
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
