// Basic types shared by the whole component API.
#ifndef RTM_RTC_H
#define RTM_RTC_H

#include <cstdint>

#ifndef DLL_EXPORT
#define DLL_EXPORT
#endif

namespace RTC
{
  enum ReturnCode_t
  {
    RTC_OK,
    RTC_ERROR,
    BAD_PARAMETER,
    UNSUPPORTED,
    OUT_OF_RESOURCES,
    PRECONDITION_NOT_MET
  };

  // Handle of an execution context as seen by a component.
  typedef std::int32_t ExecutionContextHandle_t;
  typedef ExecutionContextHandle_t UniqueId;

  enum LifeCycleState
  {
    CREATED_STATE,
    INACTIVE_STATE,
    ACTIVE_STATE,
    ERROR_STATE
  };

  const char* toString(LifeCycleState state);
}

#endif
