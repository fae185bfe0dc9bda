#include <rtm/RTC.h>

namespace RTC
{
  const char* toString(LifeCycleState state)
  {
    switch (state)
      {
      case CREATED_STATE: return "CREATED";
      case INACTIVE_STATE: return "INACTIVE";
      case ACTIVE_STATE: return "ACTIVE";
      case ERROR_STATE: return "ERROR";
      }
    return "UNKNOWN";
  }

  const char* toString(ReturnCode_t code)
  {
    switch (code)
      {
      case RTC_OK: return "RTC_OK";
      case RTC_ERROR: return "RTC_ERROR";
      case BAD_PARAMETER: return "BAD_PARAMETER";
      case UNSUPPORTED: return "UNSUPPORTED";
      case OUT_OF_RESOURCES: return "OUT_OF_RESOURCES";
      case PRECONDITION_NOT_MET: return "PRECONDITION_NOT_MET";
      }
    return "unknown return code";
  }
}
