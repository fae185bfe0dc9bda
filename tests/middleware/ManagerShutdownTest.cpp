// How a manager process ends: when its last component has exited (unless shutdown_nortcs says
// NO), and through Manager::shutdown() from another thread, after a non-blocking runManager,
// and from a component's own callback. Each time in order: deactivation, onFinalize, deletion.
#include "ProbeProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

using testsupport::ChildProcess;
using testsupport::linesOf;
using testsupport::lineStarting;
using testsupport::probeTimeout;

namespace
{
  std::unique_ptr<ChildProcess> startHost(const std::string& mode,
                                          const std::vector<std::string>& arguments = {},
                                          const std::string& slowDeactivation = std::string())
  {
    std::vector<std::string> all = {"-o", "naming.enable:NO", "-o",
                                    "manager.components.preactivation:Worker0,Worker1"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::unique_ptr<ChildProcess> host(new ChildProcess(
      MANAGER_HOST_PATH, all, {{"HOST_MODE", mode}, {"SLOW_DEACTIVATION", slowDeactivation}}));
    EXPECT_TRUE(host->waitForStdout("Worker0 onExecute", probeTimeout)) << host->stderrText();
    EXPECT_TRUE(host->waitForStdout("Worker1 onExecute", probeTimeout)) << host->stderrText();
    return host;
  }

  // The last created component goes first; each is deactivated, finalised and deleted before
  // the next, and all of it before `after`.
  void expectOrderlyShutdown(ChildProcess& host, const std::string& after)
  {
    std::vector<std::string> lines = linesOf(host.stdoutText());
    long previous = -1;
    for (const std::string& prefix : std::vector<std::string>{
           "Worker1 onDeactivated", "Worker1 onFinalize", "deleteWorker Worker1",
           "Worker0 onDeactivated", "Worker0 onFinalize", "deleteWorker Worker0", after})
      {
        long index = lineStarting(lines, prefix);
        EXPECT_GT(index, previous) << "'" << prefix << "' missing or out of order in\n"
                                   << host.stdoutText() << host.stderrText();
        previous = index;
      }
  }
}

TEST(LastComponent, ProcessEndsWhenTheLastComponentHasExited)
{
  auto host = startHost("exit");
  host->closeInput();
  ASSERT_TRUE(host->wait(probeTimeout)) << host->stdoutText();
  EXPECT_EQ(0, host->exitCode()) << host->stderrText();
  expectOrderlyShutdown(*host, "runManager returned");
  std::vector<std::string> lines = linesOf(host->stdoutText());
  EXPECT_LT(lineStarting(lines, "exited Worker1"), lineStarting(lines, "Worker0 onDeactivated"));
}

TEST(LastComponent, SignalDuringAnExitWaitsForThatComponent)
{
  auto host = startHost("exit", {}, "Worker1");
  host->closeInput();
  ASSERT_TRUE(host->waitForStdout("Worker1 slow deactivation", probeTimeout));
  host->signal(SIGTERM);
  ASSERT_TRUE(host->wait(probeTimeout)) << host->stdoutText();
  EXPECT_EQ(0, host->exitCode()) << host->stderrText();
  expectOrderlyShutdown(*host, "runManager returned");
}

class StaysUp : public ::testing::TestWithParam<std::string>
{
};

TEST_P(StaysUp, WithoutComponentsUntilSignalled)
{
  // How long a process that does end then takes to do so, here and now: the staying one is
  // watched for several times that.
  auto ending = startHost("exit", {"-o", GetParam() + ":YES"});
  ending->closeInput();
  ASSERT_TRUE(ending->waitForStdout("exited Worker0", probeTimeout));
  const auto exited = std::chrono::steady_clock::now();
  ASSERT_TRUE(ending->wait(probeTimeout)) << "the control process did not end";
  const auto window = std::max<std::chrono::milliseconds>(
    std::chrono::seconds(1), 5 * std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - exited));

  auto host = startHost("exit", {"-o", GetParam() + ":NO"});
  ASSERT_TRUE(host->running());
  host->closeInput();
  ASSERT_TRUE(host->waitForStdout("exited Worker0", probeTimeout));
  EXPECT_FALSE(host->wait(window)) << "ended within " << window.count() << " ms";
  EXPECT_EQ(std::string::npos, host->stdoutText().find("runManager returned"));
  host->signal(SIGTERM);
  ASSERT_TRUE(host->wait(probeTimeout));
  EXPECT_EQ(0, host->exitCode()) << host->stderrText();
  EXPECT_NE(std::string::npos, host->stdoutText().find("runManager returned"));
}

INSTANTIATE_TEST_SUITE_P(Keys, StaysUp,
                         ::testing::Values("manager.shutdown_nortcs", "manager.shutdown_on_nortcs"),
                         [](const ::testing::TestParamInfo<std::string>& entry) {
                           return std::string(entry.index == 0 ? "ShutdownNortcs"
                                                               : "ShutdownOnNortcs");
                         });

struct ShutdownCase
{
  const char* name;
  const char* mode;                     // HOST_MODE of ManagerHost
  std::vector<std::string> afterward;   // lines that follow the orderly shutdown
  const char* beforeDeactivation;       // a line that precedes it, or nullptr
};

void PrintTo(const ShutdownCase& way, std::ostream* out)
{
  *out << way.name;
}

class ManagerShutdown : public ::testing::TestWithParam<ShutdownCase>
{
};

TEST_P(ManagerShutdown, ReturnsOnceDone)
{
  auto host = startHost(GetParam().mode);
  host->closeInput();
  ASSERT_TRUE(host->wait(probeTimeout)) << host->stdoutText();
  EXPECT_EQ(0, host->exitCode()) << host->stderrText();
  for (const std::string& after : GetParam().afterward) { expectOrderlyShutdown(*host, after); }
  if (GetParam().beforeDeactivation != nullptr)
    {
      std::vector<std::string> lines = linesOf(host->stdoutText());
      EXPECT_LT(lineStarting(lines, GetParam().beforeDeactivation),
                lineStarting(lines, "Worker0 onDeactivated"));
    }
}

// From a component's own callback, shutdown() only requests it.
INSTANTIATE_TEST_SUITE_P(
  Ways, ManagerShutdown,
  ::testing::Values(
    ShutdownCase{
      "FromAnotherThread", "shutdown", {"shutdown returned", "runManager returned"}, nullptr},
    ShutdownCase{"AfterNonBlockingRunManager", "nonblocking", {"shutdown returned"}, nullptr},
    ShutdownCase{
      "FromAComponentCallback", "callback", {"runManager returned"}, "shutdown requested"}),
  [](const ::testing::TestParamInfo<ShutdownCase>& way) { return std::string(way.param.name); });
