// Reading and writing the texts that OpenRTM-aist's interfaces carry: NVList properties (every
// value a string any), life cycle states and return codes.
#ifndef RTCTL_RTCTEXT_H
#define RTCTL_RTCTEXT_H

#include <RtcInterfaces.hh>
#include <rtm/RTC.h>

#include <string>

namespace rtctl
{
  // The value of `key` when it is there as a string; false otherwise (absent, or not a string).
  bool findString(const SDOPackage::NVList& list, const std::string& key, std::string& value);
  std::string stringOr(const SDOPackage::NVList& list, const std::string& key,
                       const std::string& fallback = std::string());
  // Appends `key` with a string any, as OpenRTM-aist's tools do.
  void appendString(SDOPackage::NVList& list, const std::string& key, const std::string& value);

  // Case-insensitive, with or without "_STATE"; false for anything else.
  bool parseState(std::string text, RTC::LifeCycleState& state);
}

#endif
