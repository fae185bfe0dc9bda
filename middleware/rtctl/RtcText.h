// Life cycle states as operators type them. (NVList properties are read and written with the
// remote layer's NameValues.h.)
#ifndef RTCTL_RTCTEXT_H
#define RTCTL_RTCTEXT_H

#include <RtcInterfaces.hh>
#include <rtm/RTC.h>

#include <string>

namespace rtctl
{
  // Case-insensitive, with or without "_STATE"; false for anything else.
  bool parseState(std::string text, RTC::LifeCycleState& state);
}

#endif
