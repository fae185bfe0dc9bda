// Calls into component code. A callback that throws has failed, as with the other middleware:
// the exception must not end the execution context's thread, or the process with it.
#ifndef RTM_SRC_GUARDEDCALL_H
#define RTM_SRC_GUARDEDCALL_H

#include <rtm/RTC.h>

namespace RTC
{
  template <typename Callback> ReturnCode_t guardedCall(const Callback& callback)
  {
    try
      {
        return callback();
      }
    catch (...)
      {
        return RTC_ERROR;
      }
  }
}

#endif
