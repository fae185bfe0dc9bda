#include "RtcText.h"

#include <algorithm>
#include <cctype>

namespace rtctl
{
  bool parseState(std::string text, RTC::LifeCycleState& state)
  {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (text.size() > 6 && text.compare(text.size() - 6, 6, "_STATE") == 0)
      {
        text.resize(text.size() - 6);
      }
    for (RTC::LifeCycleState candidate :
         {RTC::CREATED_STATE, RTC::INACTIVE_STATE, RTC::ACTIVE_STATE, RTC::ERROR_STATE})
      {
        if (text == RTC::toString(candidate))
          {
            state = candidate;
            return true;
          }
      }
    return false;
  }
}
