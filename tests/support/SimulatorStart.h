// PositionServerSim on a port the test holds from the start, so that no other test running
// beside it can take the port before the simulator listens, or between two simulators.
#ifndef TESTS_SUPPORT_SIMULATORSTART_H
#define TESTS_SUPPORT_SIMULATORSTART_H

#include "ChildProcess.h"
#include "TestSocket.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace testsupport
{
  class SimulatorPort
  {
  public:
    int number() const { return m_port.number(); }
    // Runs the simulator at `path` with "--port <number> --log <logFile>" and `extra` and
    // expects it to listen (a test failure otherwise). A simulator that ended a moment ago may
    // still hold the port: the start is tried again for up to `patience`.
    std::unique_ptr<ChildProcess> start(const std::string& path, const std::string& logFile,
                                        const std::vector<std::string>& extra,
                                        std::chrono::milliseconds patience);

  private:
    ReservedPort m_port;
  };
}

#endif
