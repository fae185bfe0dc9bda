// rtctl echo and hz on the running chain: PositionServerSim -> InKorvaneComp -> InKorvaneTestComp,
// with rtctl as a second reader of the producer's out port.
#include "ChainFixture.h"

#include <sstream>

namespace e2e
{
  namespace
  {
    using remotetest::kPatience;
    using testsupport::countOf;
    using testsupport::isRunOf;
  }

  class RtctlWatchChain : public ChainFixture
  {
  };

  TEST_F(RtctlWatchChain, EchoPrintsARunOfWhatTheProducerPublishesAndHzItsRate)
  {
    // Stamped replies all differ, so a run matches in one place only.
    Chain chain = startActiveChain({"--stamp"});
    ASSERT_TRUE(printedAtLeast(*chain.consumer, 5)) << chain.consumer->stderrText();

    const std::string echoed = rtctlOk({"echo", "InKorvane0:outPositionData", "--count", "5"});
    // Each reply ends with its line feed: echo adds none.
    EXPECT_EQ(5u, countOf(echoed, "\n")) << echoed;
    EXPECT_TRUE(chain.producer->waitForStdoutMatch(
      [&echoed](const std::string& out) { return isRunOf(publishedValues(out), echoed, 5); },
      kPatience))
      << echoed;

    // The component never sets the time stamp: it must go out as 0, not as leftover memory.
    std::istringstream stamped(
      rtctlOk({"echo", "InKorvane0:outPositionData", "--count", "3", "--stamp"}));
    for (std::string line; std::getline(stamped, line);)
      {
        EXPECT_EQ(0u, line.find("0.000000000\tPOS ")) << line;
      }

    std::istringstream lines(rtctlOk({"hz", "InKorvane0:outPositionData", "--count", "2"}));
    std::size_t count = 0;
    bool moving = false;
    for (std::string line; std::getline(lines, line); ++count)
      {
        EXPECT_EQ(0u, line.find("rate=")) << line;
        EXPECT_NE(std::string::npos, line.find(" jitter=")) << line;
        EXPECT_NE(std::string::npos, line.find(" drops=")) << line;
        moving = moving || line.compare(0, 8, "rate=0.0") != 0;
      }
    EXPECT_EQ(2u, count);
    EXPECT_TRUE(moving);

    // Only the chain's own connection is left, listed at both of its ports, and it still works.
    EXPECT_EQ(2u, countOf(rtctlOk({"ls"}), " -> ")) << rtctlOk({"ls"});
    const std::size_t printed = printedValues(chain.consumer->stdoutText()).size();
    EXPECT_TRUE(printedAtLeast(*chain.consumer, printed + 5));
    exitChain(*chain.producer, *chain.consumer);
  }
}
