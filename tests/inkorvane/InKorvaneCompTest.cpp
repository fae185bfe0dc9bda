// The program InKorvaneComp as a user runs it: against PositionServerSim, preactivated by a
// manager option, watched through its standard output.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>

namespace
{
  using std::chrono::seconds;
  using testsupport::ChildProcess;
  using testsupport::TemporaryDirectory;

  // Starts the simulator on a free port below 32768 (the component's port parameter is a
  // signed 16-bit number); returns that port, or 0.
  int startSimulator(std::unique_ptr<ChildProcess>& simulator, const std::vector<std::string>& extra)
  {
    std::vector<std::string> arguments = {"--port", std::to_string(testsupport::freeLowLoopbackPort())};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    simulator.reset(new ChildProcess(POSITION_SERVER_SIM_PATH, arguments));
    if (!simulator->waitForStderr("\n", seconds(10))) { return 0; }
    std::smatch match;
    std::string text = simulator->stderrText();
    if (!std::regex_search(text, match, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)"))) { return 0; }
    return std::stoi(match[1]);
  }

  std::unique_ptr<ChildProcess> startInKorvaneComp(int port, const std::vector<std::string>& extra = {})
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

  std::string readFile(const std::string& path)
  {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TEST(InKorvaneComp, PrintsTheExactLinesOfOneCycleAndSigtermSendsQuit)
  {
    TemporaryDirectory directory;
    directory.write("replies.txt", "POS first\nPOS second\n");
    std::unique_ptr<ChildProcess> simulator;
    const int port = startSimulator(simulator, {"--replies", directory.file("replies.txt"),
                                                "--log", directory.file("sim.log")});
    ASSERT_NE(port, 0) << simulator->stderrText();

    std::unique_ptr<ChildProcess> program = startInKorvaneComp(port);
    ASSERT_TRUE(program->waitForStdout("POS second\nLOG OUTPUT END\n\nrequest: <LF>\n", seconds(15)))
      << program->stdoutText() << program->stderrText();

    const std::string expectedStart =
      "Trying to connect to 127.0.0.1:" + std::to_string(port) + " \n"
      "waiting...\n"
      "data receive now\n"
      "Find HELLO\n"
      "data receive now\n"
      "LOG OUTPUT START\n"
      "POS first\n"
      "LOG OUTPUT END\n"
      "\n"
      "request: <LF>\n"
      "data receive now\n"
      "LOG OUTPUT START\n"
      "POS second\n"
      "LOG OUTPUT END\n"
      "\n"
      "request: <LF>\n";
    EXPECT_EQ(program->stdoutText().substr(0, expectedStart.size()), expectedStart);

    program->signal(SIGTERM);
    ASSERT_TRUE(program->wait(seconds(20)));
    EXPECT_EQ(program->exitCode(), 0) << program->stderrText();
    const std::string log = readFile(directory.file("sim.log"));
    EXPECT_NE(log.find("RECV 1 Q"), std::string::npos) << log;
    EXPECT_LT(log.rfind("RECV 1 LF"), log.find("RECV 1 Q")) << log;
  }

  TEST(InKorvaneComp, NoServerListeningPrintsTheConnectErrorAndStaysQuiet)
  {
    int port = testsupport::freeLowLoopbackPort();
    std::unique_ptr<ChildProcess> program = startInKorvaneComp(port);
    ASSERT_TRUE(program->waitForStdout("connect is error IP:127.0.0.1 port:" + std::to_string(port) + "\n", seconds(10)))
      << program->stdoutText();
    program->signal(SIGINT);
    ASSERT_TRUE(program->wait(seconds(20)));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_EQ(program->stdoutText().find("request: <LF>"), std::string::npos);
  }

  TEST(InKorvaneComp, FailedComponentCreationPrintsTheMessageAndAborts)
  {
    // A configuration file that does not exist makes the creation fail.
    std::unique_ptr<ChildProcess> program = startInKorvaneComp(7003, {"-o", "Category.InKorvane.config_file:/nonexistent/InKorvane.conf"});
    ASSERT_TRUE(program->wait(seconds(20)));
    EXPECT_EQ(program->termSignal(), SIGABRT);
    EXPECT_NE(program->stderrText().find("Component create failed.\n"), std::string::npos) << program->stderrText();
  }
}
