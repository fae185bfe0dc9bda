// The entry of a test's component program, written as the component programs' own entry is,
// against the component API only (it builds against OpenRTM-aist too).
#ifndef TESTS_SUPPORT_COMPONENTPROGRAM_H
#define TESTS_SUPPORT_COMPONENTPROGRAM_H

#include <rtm/Manager.h>

namespace testsupport
{
  // OpenRTM-aist declares ModuleInitProc in namespace RTC, the built-in middleware in
  // RTC::Manager: this is the type of both.
  typedef void (*ModuleInit)(RTC::Manager* manager);

  // The manager from the command line, `init` as its module init procedure; returns once the
  // manager has shut down.
  void runComponentProgram(int argc, char** argv, ModuleInit init);

  // createComponent(args); when it fails the process ends at once with "Component create
  // failed." on standard error, as the component programs do.
  RTC::RTObject_impl* createComponentOrAbort(RTC::Manager* manager, const char* args);

  template <typename Component> RTC::RTObject_impl* createComponentObject(RTC::Manager* manager)
  {
    return new Component(manager);
  }
  void deleteComponentObject(RTC::RTObject_impl* component);

  // A factory of `Component` (constructed from the Manager*, deleted with delete) under `profile`.
  template <typename Component>
  bool registerComponentType(RTC::Manager* manager, coil::Properties& profile)
  {
    return manager->registerFactory(profile, createComponentObject<Component>,
                                    deleteComponentObject);
  }
}

#endif
