// The built-in manager of the test program's own process, for tests that drive components
// directly: started once before the first test and shut down after the last, as the component
// programs start it but without blocking.
#ifndef TESTS_SUPPORT_INPROCESSMANAGER_H
#define TESTS_SUPPORT_INPROCESSMANAGER_H

#include <rtm/Manager.h>

#include "ComponentProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport
{
  // Registers the environment: Manager::init with each of `options` ("key:value") as -o, `init`
  // as the module init procedure, activateManager, runManager(true).
  ::testing::Environment* addInProcessManager(const std::string& program,
                                              const std::vector<std::string>& options,
                                              ModuleInit init);

  // Registers `Component` as type `typeName` (category Test, one instance at most) and creates
  // its instance: null when that fails.
  template <typename Component>
  Component* createTestComponent(RTC::Manager* manager, const std::string& typeName)
  {
    coil::Properties profile;
    profile.setProperty("implementation_id", typeName);
    profile.setProperty("type_name", typeName);
    profile.setProperty("category", "Test");
    profile.setProperty("max_instance", "1");
    registerComponentType<Component>(manager, profile);
    return dynamic_cast<Component*>(manager->createComponent(typeName.c_str()));
  }
}

#endif
