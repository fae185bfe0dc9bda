// Basic types shared by the whole component API. Return codes, states and the execution
// context handle are those of the RTC interfaces, generated from our IDL as with OpenRTM-aist.
#ifndef RTM_RTC_H
#define RTM_RTC_H

#include <omniORB4/CORBA.h>
#include <rtm/idl/RtcInterfaces.hh>

#ifndef DLL_EXPORT
#define DLL_EXPORT
#endif

namespace RTC
{
  // Handle of an execution context as seen by a component.
  typedef ExecutionContextHandle_t UniqueId;

  // "CREATED", "INACTIVE", "ACTIVE", "ERROR": the names the middleware and its tool print.
  const char* toString(LifeCycleState state);
  // "RTC_OK", "BAD_PARAMETER", ...
  const char* toString(ReturnCode_t code);
}

#endif
