// The chain wired with dataflow_type pull: the consumer asks the producer for each value, so it
// prints every value once and in order, at its own pace; when the producer dies, the consumer
// drops the connection with one warning and goes on.
#include "ChainFixture.h"

#include <chrono>
#include <csignal>
#include <thread>

namespace e2e
{
  using remotetest::countOf;
  using remotetest::kPatience;

  class PullChain : public ChainFixture
  {
  };

  TEST_F(PullChain, EveryValueOnceInOrderThenAGoneWriterIsDroppedOnce)
  {
    // Stamped replies all differ, so a value printed twice would show.
    std::unique_ptr<ChildProcess> simulator = startSimulator({"--stamp"});
    std::unique_ptr<ChildProcess> producer = startProducer();
    std::unique_ptr<ChildProcess> consumer = startConsumer({"exec_cxt.periodic.rate:300"});
    rtctlOk({"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData", "-p",
             "dataflow_type=pull", "-p", "buffer.length=256"});
    rtctlOk({"activate", "InKorvaneTest0", "InKorvane0"});
    ASSERT_TRUE(printedAtLeast(*consumer, 30)) << consumer->stderrText() << producer->stderrText();

    rtctlOk({"deactivate", "InKorvane0"});
    const std::vector<std::string> published = publishedValues(producer->stdoutText());
    ASSERT_TRUE(printedAtLeast(*consumer, published.size())) << consumer->stderrText();
    EXPECT_EQ(printedValues(consumer->stdoutText()), published);

    producer->signal(SIGKILL);
    ASSERT_TRUE(producer->wait(kPatience));
    EXPECT_TRUE(consumer->waitForStderr("gone; connection dropped", kPatience))
      << consumer->stderrText();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(1u, countOf(consumer->stderrText(), "connection dropped")) << consumer->stderrText();
    EXPECT_EQ("ACTIVE\n", rtctlOk({"state", "InKorvaneTest0"}));
  }
}
