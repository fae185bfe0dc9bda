// InKorvaneComp against misbehaving position servers: for each fault mode of PositionServerSim,
// and for a server killed mid-exchange, the program prints its failure lines, publishes nothing
// it should not, stays up, and still ends in bounded time when interrupted, without crashing.
#include "ProgramFixture.h"
#include "SimulatorCases.h"

#include <chrono>
#include <csignal>

namespace programs
{
  using testsupport::FaultCase;

  // Still up after the fault, then ended by an interruption within the outstanding 5 s reply
  // wait and the 3 s pause, with room for a loaded machine.
  void expectEndsInTime(ChildProcess& program)
  {
    EXPECT_TRUE(program.running()) << program.stderrText();
    const auto start = std::chrono::steady_clock::now();
    expectEndsWithoutCrash(program);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  }

  class ProgramFaults : public ProgramFixture, public ::testing::WithParamInterface<FaultCase>
  {
  };

  TEST_P(ProgramFaults, ReportsTheFaultAndEndsCleanly)
  {
    const FaultCase& fault = GetParam();
    std::unique_ptr<ChildProcess> simulator = startSimulator(fault.simulatorOptions);
    std::unique_ptr<ChildProcess> program = startActiveProducer();
    for (const std::string& line : fault.expectedLines)
      {
        EXPECT_TRUE(program->waitForStdout(line, kPatience)) << "missing '" << line << "' in:\n"
                                                             << program->stdoutText();
      }
    const std::string out = program->stdoutText();
    for (const std::string& line : fault.absentLines)
      {
        EXPECT_EQ(out.find(line), std::string::npos) << "unexpected '" << line << "' in:\n" << out;
      }
    // Whatever was published is one receive at most, up to its first zero byte.
    for (const std::string& value : testsupport::publishedValues(out))
      {
        EXPECT_LE(value.size(), 8191u);
        EXPECT_EQ(value.find("after-zero"), std::string::npos);
      }
    expectEndsInTime(*program);
  }

  INSTANTIATE_TEST_SUITE_P(AllModes, ProgramFaults,
                           ::testing::ValuesIn(testsupport::simulatorFaultCases()),
                           [](const ::testing::TestParamInfo<FaultCase>& mode) {
                             return mode.param.name;
                           });

  class ServerKilled : public ProgramFixture
  {
  };

  TEST_F(ServerKilled, MidExchangeTheProgramStopsPublishingAndEndsCleanly)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    std::unique_ptr<ChildProcess> program = startActiveProducer();
    ASSERT_TRUE(program->waitForStdoutMatch(
      [](const std::string& out) { return testsupport::publishedValues(out).size() >= 3; },
      kPatience))
      << program->stdoutText() << program->stderrText();
    simulator->signal(SIGKILL);
    // One failed receive, then every wait fails at once, cycle after cycle.
    ASSERT_TRUE(program->waitForStdoutMatch(
      [](const std::string& out) { return countOf(out, "select ERROR\n") >= 5; }, kPatience))
      << program->stdoutText();
    const std::string out = program->stdoutText();
    EXPECT_EQ(countOf(out, "recv ERORR !!\n"), 1u) << out;
    EXPECT_EQ(out.find("LOG OUTPUT START", out.find("recv ERORR !!\n")), std::string::npos) << out;
    expectEndsInTime(*program);
  }
}
