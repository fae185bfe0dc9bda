// InKorvaneComp as a user runs it, against PositionServerSim: its console lines, its configuration
// through the manager, and "Q" when the program is interrupted.
#include "PortTexts.h"
#include "ProgramFixture.h"

#include <csignal>

namespace programs
{
  namespace
  {
    using std::chrono::seconds;

    std::string connectLine(int port)
    {
      return "Trying to connect to 127.0.0.1:" + std::to_string(port) + " \n";
    }
  }

  class InKorvaneProgram : public ProgramFixture
  {
  };

  TEST_F(InKorvaneProgram, PrintsTheExactLinesOfACycleAndSendsQuitWhenInterrupted)
  {
    m_directory.write("replies.txt", "POS first\nPOS second\n");
    std::unique_ptr<ChildProcess> simulator =
      startSimulator({"--replies", m_directory.file("replies.txt")});
    std::unique_ptr<ChildProcess> program = startActiveProducer();
    ASSERT_TRUE(program->waitForStdout("POS second\nLOG OUTPUT END\n\nrequest: <LF>\n", kPatience))
      << program->stdoutText() << program->stderrText();

    const std::string expectedStart = connectLine(m_simulatorPort.number()) + "waiting...\n"
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

    ASSERT_TRUE(interrupt(*program)) << program->stderrText();
    const std::string log = simulatorLog();
    ASSERT_NE(log.find("RECV 1 Q"), std::string::npos) << log;
    EXPECT_LT(log.rfind("RECV 1 LF"), log.find("RECV 1 Q")) << log;
  }

  TEST_F(InKorvaneProgram, NoServerListeningPrintsTheConnectErrorAndSendsNothing)
  {
    std::unique_ptr<ChildProcess> program = startActiveProducer();
    ASSERT_TRUE(program->waitForStdout(
      "connect is error IP:127.0.0.1 port:" + std::to_string(m_simulatorPort.number()) + "\n",
      kPatience))
      << program->stdoutText() << program->stderrText();
    // Several periods later there is still no request.
    std::this_thread::sleep_for(seconds(1));
    ASSERT_TRUE(interrupt(*program)) << program->stderrText();
    EXPECT_EQ(program->stdoutText().find("request: <LF>"), std::string::npos)
      << program->stdoutText();
  }

  class PortParameter : public ProgramFixture,
                        public ::testing::WithParamInterface<testsupport::PortText>
  {
  };

  TEST_P(PortParameter, ConnectsToTheConvertedPort)
  {
    std::unique_ptr<ChildProcess> program = startProgram(
      INKORVANE_COMP_PATH, {"Category.InKorvane.conf.default.Port:" + std::string(GetParam().text),
                            "manager.components.preactivation:InKorvane0"});
    EXPECT_TRUE(program->waitForStdout(connectLine(GetParam().dialledPort), kPatience))
      << program->stdoutText() << program->stderrText();
    EXPECT_TRUE(interrupt(*program)) << program->stderrText();
  }

  INSTANTIATE_TEST_SUITE_P(Texts, PortParameter, ::testing::ValuesIn(testsupport::kPortTexts),
                           testsupport::portTextName);

  TEST_F(InKorvaneProgram, ConfigurationFileChoosesTheActiveSet)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    m_directory.write("InKorvane.conf",
                      "conf.default.Port: " + std::to_string(m_simulatorPort.number() + 1) +
                        "\n"
                        "conf.fast.Port: " +
                        std::to_string(m_simulatorPort.number()) +
                        "xyz\n"
                        "configuration.active_config: fast\n");
    std::unique_ptr<ChildProcess> program = startProgram(
      INKORVANE_COMP_PATH, {"Category.InKorvane.config_file:" + m_directory.file("InKorvane.conf"),
                            "manager.components.preactivation:InKorvane0"});
    EXPECT_TRUE(program->waitForStdout(connectLine(m_simulatorPort.number()), kPatience))
      << program->stdoutText() << program->stderrText();
    EXPECT_TRUE(program->waitForStdout("LOG OUTPUT START\n", kPatience)) << program->stdoutText();
    EXPECT_TRUE(interrupt(*program)) << program->stderrText();
  }
}
