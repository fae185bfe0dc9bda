// What the tests feed PositionServerSim, shared by the tests of the chain under either
// middleware: its fault modes with the lines InKorvaneComp must and must not print for each, and
// replies whose bytes a chain must carry unchanged.
#ifndef TESTS_SUPPORT_SIMULATORCASES_H
#define TESTS_SUPPORT_SIMULATORCASES_H

#include <ostream>
#include <string>
#include <vector>

namespace testsupport
{
  struct FaultCase
  {
    std::string name;
    std::vector<std::string> simulatorOptions;
    std::vector<std::string> expectedLines;   // each must appear on the producer's standard output
    std::vector<std::string> absentLines;     // none of these may appear
  };

  inline void PrintTo(const FaultCase& fault, std::ostream* out)
  {
    *out << fault.name;
  }

  // One case per fault mode of the simulator.
  const std::vector<FaultCase>& simulatorFaultCases();

  // A replies file (for --replies): tabs, trailing and leading blanks, bytes above 127, quotes,
  // a backslash, printf directives and an empty line.
  extern const char* const kAwkwardReplies;
}

#endif
