#include "SimulatorStart.h"

#include <gtest/gtest.h>

#include <thread>

namespace testsupport
{
  std::unique_ptr<ChildProcess> startListeningSimulator(const std::string& path, int& port,
                                                        const std::vector<std::string>& arguments,
                                                        bool mayMove,
                                                        std::chrono::milliseconds patience)
  {
    const int attempts = 5;
    for (int attempt = 1;; ++attempt)
      {
        std::vector<std::string> all = {"--port", std::to_string(port)};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::unique_ptr<ChildProcess> simulator(new ChildProcess(path, all));
        simulator->waitForStderrMatch(
          [](const std::string& text) {
            return text.find("listening on") != std::string::npos ||
                   text.find("cannot listen on") != std::string::npos;
          },
          patience);
        if (attempt == attempts ||
            simulator->stderrText().find("cannot listen on") == std::string::npos)
          {
            return simulator;
          }
        simulator->wait(patience);
        if (mayMove) { port = freeLowLoopbackPort(); }
        else { std::this_thread::sleep_for(std::chrono::seconds(1)); }
      }
  }
}

namespace testsupport
{
  SimulatorPort::SimulatorPort() : m_port(freeLowLoopbackPort()) {}

  std::unique_ptr<ChildProcess> SimulatorPort::start(const std::string& path,
                                                     const std::string& logFile,
                                                     const std::vector<std::string>& extra,
                                                     std::chrono::milliseconds patience)
  {
    std::vector<std::string> arguments = {"--log", logFile};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::unique_ptr<ChildProcess> simulator =
      startListeningSimulator(path, m_port, arguments, !m_fixed, patience);
    EXPECT_TRUE(simulator->waitForStderr("listening on", patience)) << simulator->stderrText();
    m_fixed = true;
    return simulator;
  }
}
