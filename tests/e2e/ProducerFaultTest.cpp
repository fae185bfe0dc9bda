// InKorvaneComp against misbehaving position servers, as real processes: for each fault mode of
// PositionServerSim, and for the server killed at each step of the exchange, the producer
// prints its failure lines, never crashes, answers rtctl at once and deactivates in bounded time.
#include "ChainFixture.h"
#include "SimulatorCases.h"

#include <chrono>
#include <csignal>
#include <thread>

namespace e2e
{
  namespace
  {
    using remotetest::kPatience;
    using std::chrono::seconds;

    using testsupport::FaultCase;
    using testsupport::linesOf;
  }

  class ProducerFaults : public ChainFixture
  {
  protected:
    // The producer must still answer at once, be active, deactivate in bounded time and exit cleanly.
    void expectHealthyAfterwards(ChildProcess& producer)
    {
      const auto asked = std::chrono::steady_clock::now();
      EXPECT_NE(rtctlOk({"state", "InKorvane0"}).find("ACTIVE"), std::string::npos);
      EXPECT_LT(std::chrono::steady_clock::now() - asked, seconds(10)) << "rtctl state was slow";

      const auto start = std::chrono::steady_clock::now();
      rtctlOk({"deactivate", "InKorvane0"});
      // At most the outstanding 5 s reply wait and the 3 s pause, with room for a loaded machine.
      EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(20));
      EXPECT_TRUE(producer.running()) << producer.stderrText();
      rtctlOk({"exit", "InKorvane0"});
      ASSERT_TRUE(producer.wait(kPatience));
      EXPECT_EQ(producer.exitCode(), 0) << producer.stderrText();
    }

    void expectLines(ChildProcess& producer, const FaultCase& fault)
    {
      for (const std::string& line : fault.expectedLines)
        {
          EXPECT_TRUE(producer.waitForStdout(line, seconds(20))) << "missing '" << line << "' in:\n"
                                                                 << producer.stdoutText();
        }
    }

    void expectAbsent(ChildProcess& producer, const FaultCase& fault)
    {
      const std::string out = producer.stdoutText();
      for (const std::string& line : fault.absentLines)
        {
          EXPECT_EQ(out.find(line), std::string::npos) << "unexpected '" << line << "' in:\n"
                                                       << out;
        }
    }
  };

  class SimulatorFaultModes : public ProducerFaults, public ::testing::WithParamInterface<FaultCase>
  {
  };

  TEST_P(SimulatorFaultModes, ProducerReportsTheFaultAndStaysHealthy)
  {
    const FaultCase& fault = GetParam();
    std::unique_ptr<ChildProcess> simulator = startSimulator(fault.simulatorOptions);
    std::unique_ptr<ChildProcess> producer = startProducer();
    rtctlOk({"activate", "InKorvane0"});
    expectLines(*producer, fault);
    expectAbsent(*producer, fault);
    expectHealthyAfterwards(*producer);
    // Whatever was published is one receive at most, up to its first zero byte.
    for (const std::string& value : publishedValues(producer->stdoutText()))
      {
        EXPECT_LE(value.size(), 8191u);
        EXPECT_EQ(value.find("after-zero"), std::string::npos);
      }
  }

  INSTANTIATE_TEST_SUITE_P(AllModes, SimulatorFaultModes,
                           ::testing::ValuesIn(testsupport::simulatorFaultCases()),
                           [](const ::testing::TestParamInfo<FaultCase>& mode) {
                             return mode.param.name;
                           });

  TEST_F(ProducerFaults, ServerKilledWhileTheGreetingIsAwaited)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator({"--fault", "no-greeting"});
    std::unique_ptr<ChildProcess> producer = startProducer();
    // The activation blocks in the greeting wait; the server dies during it.
    std::thread activation([this] { rtctlOk({"activate", "InKorvane0"}); });
    ASSERT_TRUE(producer->waitForStdout("waiting...\n", kPatience));
    simulator->signal(SIGKILL);
    activation.join();
    expectLines(*producer, {"", {}, {"recv ERORR !!\n", "select ERROR\n"}, {}});
    expectAbsent(*producer, {"", {}, {}, {"Find HELLO", "LOG OUTPUT START", "request: <LF>"}});
    expectHealthyAfterwards(*producer);
  }

  TEST_F(ProducerFaults, ServerKilledWhileAReplyIsAwaited)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator({"--fault", "no-reply"});
    std::unique_ptr<ChildProcess> producer = startProducer();
    rtctlOk({"activate", "InKorvane0"});
    ASSERT_TRUE(producer->waitForStdout("Find HELLO\n", kPatience));
    simulator->signal(SIGKILL);
    // One failed receive, then every wait fails at once, cycle after cycle, until deactivation.
    ASSERT_TRUE(producer->waitForStdoutMatch(
      [](const std::string& out) { return remotetest::countOf(out, "select ERROR\n") >= 5; },
      kPatience))
      << producer->stdoutText();
    EXPECT_EQ(remotetest::countOf(producer->stdoutText(), "recv ERORR !!\n"), 1u);
    expectAbsent(*producer, {"", {}, {}, {"LOG OUTPUT START"}});
    expectHealthyAfterwards(*producer);
  }

  TEST_F(ProducerFaults, ServerKilledMidExchange)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    std::unique_ptr<ChildProcess> producer = startProducer();
    rtctlOk({"activate", "InKorvane0"});
    ASSERT_TRUE(producer->waitForStdoutMatch(
      [](const std::string& out) { return publishedValues(out).size() >= 3; }, kPatience));
    simulator->signal(SIGKILL);
    ASSERT_TRUE(producer->waitForStdoutMatch(
      [](const std::string& out) { return remotetest::countOf(out, "select ERROR\n") >= 5; },
      kPatience));
    const std::vector<std::string> lines = linesOf(producer->stdoutText());
    // After the failed receive nothing more is published.
    std::size_t failure = 0;
    while (failure < lines.size() && lines[failure] != "recv ERORR !!") { ++failure; }
    ASSERT_LT(failure, lines.size());
    for (std::size_t i = failure; i < lines.size(); ++i)
      {
        EXPECT_NE(lines[i], "LOG OUTPUT START");
      }
    expectHealthyAfterwards(*producer);
  }
}
