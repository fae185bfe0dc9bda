// Every operation OpenRTM-aist's tools call on a component, its configuration and its execution
// context, in one order, each with the kind of answer OpenRTM-aist 1.2.2 gives. Shared by the
// test of our own surface and by the test that asks an OpenRTM-aist component the same; it is
// compiled with whichever middleware's stubs the test uses (the types have the same names).
#ifndef TESTS_SUPPORT_SURFACECALLS_H
#define TESTS_SUPPORT_SURFACECALLS_H

#if __has_include(<rtm/idl/OpenRtmInterfaces.hh>)
#include <rtm/idl/OpenRtmInterfaces.hh>
#else
#include <rtm/idl/OpenRTMSkel.h>
#endif

#include <functional>
#include <string>
#include <vector>

namespace testsupport
{
  struct SurfaceCall
  {
    std::string operation;
    // A return code as a number, "true"/"false", "empty"/"value" for lists, a number, or the
    // name of the exception raised.
    std::string openRtmAnswer;
    std::function<std::string()> call;
    // False where OpenRTM-aist 1.2.2 does not survive the call (it crashes or hangs): it is
    // then asked of our components only.
    bool openRtmSurvives = true;
  };

  // The calls on `component`, whose first own execution context is `context`. Made in this
  // order they leave the component inactive, its context running at 50 Hz, the set "extra"
  // added and removed again, and no context attached from outside.
  std::vector<SurfaceCall> surfaceCalls(RTC::RTObject_ptr component,
                                        RTC::ExecutionContext_ptr context);
  // Makes the call: its answer, or the name of the exception it raised.
  std::string answerOf(const SurfaceCall& call);
  // What a tool sees of the component afterwards, one line per fact.
  std::vector<std::string> surfaceState(RTC::RTObject_ptr component,
                                        RTC::ExecutionContext_ptr context);
}

#endif
