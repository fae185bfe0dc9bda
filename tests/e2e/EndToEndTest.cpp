// The road of one reply across real processes: PositionServerSim -> InKorvaneComp ->
// InKorvaneTestComp, connected and activated with rtctl only.
#include "ChainFixture.h"
#include "SimulatorCases.h"

#include <algorithm>

namespace e2e
{
  namespace
  {
    using remotetest::kPatience;

    // After deactivating a producer connected from its start: the consumer has printed as
    // many values as were published.
    bool drained(ChildProcess& producer, ChildProcess& consumer)
    {
      const std::size_t published = publishedValues(producer.stdoutText()).size();
      return consumer.waitForStdoutMatch(
        [published](const std::string& out) { return printedValues(out).size() >= published; },
        kPatience);
    }

    // The same for a consumer connected later: what it printed ends where the publishing ended
    // (the generated replies are all different, so a match means the last one arrived).
    bool drainedTail(ChildProcess& producer, ChildProcess& consumer)
    {
      const std::vector<std::string> published = publishedValues(producer.stdoutText());
      return consumer.waitForStdoutMatch(
        [&published](const std::string& out) {
          std::vector<std::string> printed = printedValues(out);
          return !printed.empty() && printed.size() <= published.size() &&
                 std::equal(printed.rbegin(), printed.rend(), published.rbegin());
        },
        kPatience);
    }
  }

  class EndToEnd : public ChainFixture
  {
  };

  TEST_F(EndToEnd, EveryPublishedReplyReachesTheConsumerInOrderOnceByteForByte)
  {
    m_directory.write("replies.txt", testsupport::kAwkwardReplies);
    Chain chain = startActiveChain({"--replies", m_directory.file("replies.txt")});
    std::unique_ptr<ChildProcess>& producer = chain.producer;
    std::unique_ptr<ChildProcess>& consumer = chain.consumer;
    ASSERT_TRUE(printedAtLeast(*consumer, 30)) << consumer->stdoutText() << consumer->stderrText();

    rtctlOk({"deactivate", "InKorvane0"});
    ASSERT_TRUE(drained(*producer, *consumer));
    const std::vector<std::string> sent = sentReplies(simulatorLog(), 1);
    const std::vector<std::string> published = publishedValues(producer->stdoutText());
    const std::vector<std::string> printed = printedValues(consumer->stdoutText());

    EXPECT_EQ(printed, published);
    ASSERT_LE(printed.size(), sent.size());
    EXPECT_TRUE(std::equal(printed.begin(), printed.end(), sent.begin()));
    // Only the reply still awaited at deactivation is never published.
    EXPECT_LE(sent.size() - printed.size(), 1u);

    const std::string log = simulatorLog();
    ASSERT_NE(log.find("RECV 1 Q"), std::string::npos) << log;
    EXPECT_LT(log.rfind("RECV 1 LF"), log.find("RECV 1 Q"));
    exitChain(*producer, *consumer);
  }

  TEST_F(EndToEnd, ConsumerStartedWhileTheProducerPublishesGetsAnUnbrokenRunOfReplies)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    std::unique_ptr<ChildProcess> producer = startProducer();
    rtctlOk({"activate", "InKorvane0"});
    ASSERT_TRUE(publishedAtLeast(*producer, 10));

    std::unique_ptr<ChildProcess> consumer = startConsumer();
    connectChain();
    rtctlOk({"activate", "InKorvaneTest0"});
    ASSERT_TRUE(printedAtLeast(*consumer, 10));
    rtctlOk({"deactivate", "InKorvane0"});
    ASSERT_TRUE(drainedTail(*producer, *consumer));

    const std::vector<std::string> sent = sentReplies(simulatorLog(), 1);
    const std::vector<std::string> printed = printedValues(consumer->stdoutText());
    auto first = std::find(sent.begin(), sent.end(), printed.front());
    ASSERT_NE(first, sent.end());
    ASSERT_LE(printed.size(), static_cast<std::size_t>(sent.end() - first));
    EXPECT_TRUE(std::equal(printed.begin(), printed.end(), first));
    exitChain(*producer, *consumer);
  }

  TEST_F(EndToEnd, SimulatorRestartedWhileTheProducerIsInactiveServesTheNextActivation)
  {
    Chain chain = startActiveChain();
    std::unique_ptr<ChildProcess>& simulator = chain.simulator;
    std::unique_ptr<ChildProcess>& producer = chain.producer;
    std::unique_ptr<ChildProcess>& consumer = chain.consumer;
    ASSERT_TRUE(printedAtLeast(*consumer, 5));
    rtctlOk({"deactivate", "InKorvane0"});
    ASSERT_TRUE(drained(*producer, *consumer));
    const std::size_t beforeRestart = printedValues(consumer->stdoutText()).size();

    simulator->signal(SIGTERM);
    ASSERT_TRUE(simulator->wait(kPatience));
    simulator = startSimulator({}, "sim2.log");
    rtctlOk({"activate", "InKorvane0"});
    ASSERT_TRUE(printedAtLeast(*consumer, beforeRestart + 5));
    rtctlOk({"deactivate", "InKorvane0"});
    ASSERT_TRUE(drained(*producer, *consumer));

    // The second activation greeted the new server and its replies follow the old ones.
    EXPECT_EQ(remotetest::countOf(producer->stdoutText(), "Find HELLO\n"), 2u);
    const std::vector<std::string> printed = printedValues(consumer->stdoutText());
    const std::vector<std::string> sentAfter = sentReplies(simulatorLog("sim2.log"), 1);
    ASSERT_LE(printed.size() - beforeRestart, sentAfter.size());
    EXPECT_TRUE(std::equal(printed.begin() + static_cast<long>(beforeRestart), printed.end(),
                           sentAfter.begin()));
    EXPECT_NE(simulatorLog("sim2.log").find("RECV 1 Q"), std::string::npos);
    exitChain(*producer, *consumer);
  }
}
