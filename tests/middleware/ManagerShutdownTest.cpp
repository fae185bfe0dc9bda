// The process ends when its last component has exited, unless manager.shutdown_nortcs (or
// manager.shutdown_on_nortcs) says NO.
#include "ProbeProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

using testsupport::ChildProcess;
using testsupport::lineStarting;
using testsupport::linesOf;
using testsupport::probeTimeout;

namespace
{
  std::unique_ptr<ChildProcess> startHost(const std::vector<std::string>& arguments)
  {
    std::vector<std::string> all = {"-o", "naming.enable:NO", "-o", "manager.components.preactivation:Worker0,Worker1"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::unique_ptr<ChildProcess> host(new ChildProcess(LAST_COMPONENT_HOST_PATH, all));
    EXPECT_TRUE(host->waitForStdout("Worker0 onExecute", probeTimeout)) << host->stderrText();
    EXPECT_TRUE(host->waitForStdout("Worker1 onExecute", probeTimeout)) << host->stderrText();
    return host;
  }
}

TEST(LastComponent, ProcessEndsWhenTheLastComponentHasExited)
{
  auto host = startHost({});
  host->closeInput();
  ASSERT_TRUE(host->wait(probeTimeout)) << host->stdoutText();
  EXPECT_EQ(0, host->exitCode());

  std::vector<std::string> lines = linesOf(host->stdoutText());
  long previous = -1;
  for (const char* prefix : {"Worker1 onDeactivated", "Worker1 onFinalize", "deleteWorker Worker1", "exited Worker1",
                             "Worker0 onDeactivated", "Worker0 onFinalize", "deleteWorker Worker0", "runManager returned"})
    {
      long index = lineStarting(lines, prefix);
      EXPECT_GT(index, previous) << prefix;
      previous = index;
    }
}

class StaysUp : public ::testing::TestWithParam<std::string>
{
};

TEST_P(StaysUp, WithoutComponentsUntilSignalled)
{
  auto host = startHost({"-o", GetParam() + ":NO"});
  host->closeInput();
  ASSERT_TRUE(host->waitForStdout("exited Worker0", probeTimeout));
  // A process that was going to end would have done so well within this time.
  EXPECT_FALSE(host->wait(std::chrono::milliseconds(500)));
  EXPECT_EQ(std::string::npos, host->stdoutText().find("runManager returned"));
  host->signal(SIGTERM);
  ASSERT_TRUE(host->wait(probeTimeout));
  EXPECT_EQ(0, host->exitCode());
  EXPECT_NE(std::string::npos, host->stdoutText().find("runManager returned"));
}

INSTANTIATE_TEST_SUITE_P(Keys, StaysUp, ::testing::Values("manager.shutdown_nortcs", "manager.shutdown_on_nortcs"),
                         [](const ::testing::TestParamInfo<std::string>& entry) {
                           return std::string(entry.index == 0 ? "ShutdownNortcs" : "ShutdownOnNortcs");
                         });
