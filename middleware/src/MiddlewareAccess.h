// The middleware's way in to what the public classes keep to themselves: a component's shared
// state and the manager's workings. Components never include this; the middleware and its
// tests do.
#ifndef RTM_SRC_MIDDLEWAREACCESS_H
#define RTM_SRC_MIDDLEWAREACCESS_H

#include <rtm/Manager.h>
#include <rtm/RTObject.h>

namespace RTC
{
  class ComponentCore;
  class ManagerImpl;

  class MiddlewareAccess
  {
  public:
    // The state the manager, the execution context and the remote layer share.
    static ComponentCore& core(RTObject_impl& component) { return *component.m_core; }
    static ManagerImpl& impl(Manager& manager) { return *manager.m_impl; }
  };

  inline ComponentCore& coreOf(RTObject_impl& component)
  {
    return MiddlewareAccess::core(component);
  }
}

#endif
