#include "RtcText.h"

#include <algorithm>
#include <cctype>

namespace rtctl
{
  bool findString(const SDOPackage::NVList& list, const std::string& key, std::string& value)
  {
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        const char* text = nullptr;
        if (key == list[i].name.in() && (list[i].value >>= text))
          {
            value = text;
            return true;
          }
      }
    return false;
  }

  std::string stringOr(const SDOPackage::NVList& list, const std::string& key,
                       const std::string& fallback)
  {
    std::string value;
    return findString(list, key, value) ? value : fallback;
  }

  void appendString(SDOPackage::NVList& list, const std::string& key, const std::string& value)
  {
    const CORBA::ULong at = list.length();
    list.length(at + 1);
    list[at].name = key.c_str();
    list[at].value <<= value.c_str();
  }

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
