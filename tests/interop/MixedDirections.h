// The two ways a mixed chain runs: a built-in producer feeding an OpenRTM-aist consumer, and
// the other way round.
#ifndef TESTS_INTEROP_MIXEDDIRECTIONS_H
#define TESTS_INTEROP_MIXEDDIRECTIONS_H

#include <gtest/gtest.h>

#include <string>

namespace interop
{
  struct Direction
  {
    const char* name;
    const char* producer;
    const char* consumer;
    bool builtinProducer;
  };

  const Direction kDirections[] = {
    {"BuiltinToOpenRtm", BUILTIN_INKORVANE_COMP_PATH, OPENRTM_INKORVANE_TEST_COMP_PATH, true},
    {"OpenRtmToBuiltin", OPENRTM_INKORVANE_COMP_PATH, BUILTIN_INKORVANE_TEST_COMP_PATH, false},
  };

  // Names the parameterised tests by direction.
  inline std::string directionName(const ::testing::TestParamInfo<Direction>& direction)
  {
    return direction.param.name;
  }
}

#endif
