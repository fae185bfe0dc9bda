// InKorvaneComp driven by rtctl while its position server is killed during a wait: the producer
// prints its failure lines, never crashes, answers rtctl at once and deactivates in bounded time.
// The fault modes and the kill mid-exchange are ProgramFaultTest's, under every middleware.
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
}
