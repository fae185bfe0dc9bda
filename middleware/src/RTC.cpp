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
}
