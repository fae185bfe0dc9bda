// Starting PositionServerSim on a port the test picked earlier, which another process may have
// taken in the meantime.
#ifndef TESTS_SUPPORT_SIMULATORSTART_H
#define TESTS_SUPPORT_SIMULATORSTART_H

#include "ChildProcess.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace testsupport
{
  // Runs the simulator at `path` with "--port <port>" and `arguments` until it says it listens.
  // When it cannot listen, it is started again: on another free port below 32768 (stored in
  // `port`) if `mayMove`, else on the same port after a pause. The last process is returned
  // whether it listens or not; the caller checks "listening on" in its standard error.
  std::unique_ptr<ChildProcess> startListeningSimulator(const std::string& path, int& port,
                                                        const std::vector<std::string>& arguments,
                                                        bool mayMove,
                                                        std::chrono::milliseconds patience);

  // The simulator's port as a test fixture keeps it: free at first; until a program has been
  // given it (fix()), a port taken meanwhile is replaced by another.
  class SimulatorPort
  {
  public:
    SimulatorPort();
    int number() const { return m_port; }
    void fix() { m_fixed = true; }
    // Runs the simulator at `path` with "--log <logFile>" and `extra` on this port, expects it
    // to listen (a test failure otherwise) and fixes the port.
    std::unique_ptr<ChildProcess> start(const std::string& path, const std::string& logFile,
                                        const std::vector<std::string>& extra,
                                        std::chrono::milliseconds patience);

  private:
    int m_port;
    bool m_fixed = false;
  };
}

#endif
