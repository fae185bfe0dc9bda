#include "SimulatorStart.h"

#include "Wait.h"

#include <gtest/gtest.h>

namespace testsupport
{
  std::unique_ptr<ChildProcess> SimulatorPort::start(const std::string& path,
                                                     const std::string& logFile,
                                                     const std::vector<std::string>& extra,
                                                     std::chrono::milliseconds patience)
  {
    std::vector<std::string> arguments = {"--port", std::to_string(number()), "--log", logFile};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::unique_ptr<ChildProcess> simulator;
    waitUntil(
      [&] {
        if (simulator) { simulator->wait(patience); }
        simulator.reset(new ChildProcess(path, arguments));
        simulator->waitForStderrMatch(
          [](const std::string& text) {
            return text.find("listening on") != std::string::npos ||
                   text.find("cannot listen on") != std::string::npos;
          },
          patience);
        return simulator->stderrText().find("cannot listen on") == std::string::npos;
      },
      patience, std::chrono::seconds(1));
    EXPECT_TRUE(simulator->waitForStderr("listening on", patience)) << simulator->stderrText();
    return simulator;
  }
}
