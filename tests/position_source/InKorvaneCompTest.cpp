// InKorvaneComp when the built-in manager cannot create its component (the tests of the program
// at work, under every middleware, are in tests/programs).
#include "ChildProcess.h"
#include "TestSocket.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{
  using std::chrono::seconds;
  using testsupport::ChildProcess;

  std::unique_ptr<ChildProcess> startInKorvaneComp(int port,
                                                   const std::vector<std::string>& extra = {})
  {
    std::vector<std::string> arguments = {
      "-o", "naming.enable:NO",
      "-o", "exec_cxt.periodic.rate:100",
      "-o", "Category.InKorvane.conf.default.Port:" + std::to_string(port),
      "-o", "manager.components.preactivation:InKorvane0",
    };
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return std::unique_ptr<ChildProcess>(new ChildProcess(INKORVANE_COMP_PATH, arguments));
  }

  TEST(InKorvaneComp, FailedComponentCreationPrintsTheMessageAndAborts)
  {
    // A configuration file that does not exist makes the creation fail; were it to dial after
    // all, it would find no server.
    const testsupport::ReservedPort closed;
    std::unique_ptr<ChildProcess> program = startInKorvaneComp(
      closed.number(), {"-o", "Category.InKorvane.config_file:/nonexistent/InKorvane.conf"});
    ASSERT_TRUE(program->wait(seconds(20)));
    EXPECT_EQ(program->termSignal(), SIGABRT);
    EXPECT_NE(program->stderrText().find("Component create failed.\n"), std::string::npos)
      << program->stderrText();
  }
}
