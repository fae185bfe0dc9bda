// Chains of one program built on the built-in middleware and one built on OpenRTM-aist, both
// ways, across processes and a real omniNames, wired by nothing but the consumer's own
// preconnect and preactivation with rtcname:// peers. Then the OpenRTM-aist side dies or hangs
// mid-stream, and the built-in side must go on.
#include "MixedDirections.h"
#include "NamingLookup.h"
#include "ProgramFixture.h"

#include <csignal>
#include <thread>

namespace interop
{
  using namespace programs;

  class MixedChain : public ProgramFixture, public ::testing::WithParamInterface<Direction>
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    std::vector<std::string> namingOptions() const
    {
      return {"naming.enable:YES", "corba.nameservers:" + m_naming.address(),
              "naming.formats:%n.rtc"};
    }

    std::unique_ptr<ChildProcess> startProducer()
    {
      std::vector<std::string> options = namingOptions();
      options.push_back("Category.InKorvane.conf.default.Port:" +
                        std::to_string(m_simulatorPort.number()));
      std::unique_ptr<ChildProcess> producer = startProgram(GetParam().producer, options);
      EXPECT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvane0.rtc", kPatience))
        << producer->stderrText();
      return producer;
    }

    // `connection` is appended to the preconnect's properties ("&key=value...").
    std::unique_ptr<ChildProcess> startConsumer(const std::string& connection = std::string())
    {
      const std::string peer = "rtcname://" + m_naming.address() + "/InKorvane0";
      std::vector<std::string> options = namingOptions();
      options.push_back("manager.components.preconnect:InKorvaneTest0.inPositionData?port=" + peer +
                        ".outPositionData&buffer.length=256" + connection);
      options.push_back("manager.components.preactivation:" + peer + ", InKorvaneTest0");
      return startProgram(GetParam().consumer, options);
    }

    static bool waitPublished(ChildProcess& producer, std::size_t count)
    {
      return producer.waitForStdoutMatch(
        [count](const std::string& out) {
          return testsupport::publishedValues(out).size() >= count;
        },
        kPatience);
    }

    // The full running chain: simulator, producer, consumer printing.
    void startChain()
    {
      m_simulator = startSimulator();
      m_producer = startProducer();
      m_consumer = startConsumer();
      ASSERT_TRUE(waitPrinted(*m_consumer, 10))
        << m_consumer->stdoutText() << m_consumer->stderrText() << m_producer->stderrText();
    }

    ChildProcess& builtinSide() { return GetParam().builtinProducer ? *m_producer : *m_consumer; }
    ChildProcess& openRtmSide() { return GetParam().builtinProducer ? *m_consumer : *m_producer; }

    // The built-in producer writes on after its reader went; the connection goes with one warning.
    void expectProducerGoesOnAlone()
    {
      const std::size_t before = testsupport::publishedValues(m_producer->stdoutText()).size();
      EXPECT_TRUE(waitPublished(*m_producer, before + 30)) << m_producer->stderrText();
      EXPECT_TRUE(m_producer->waitForStderr("gone; connection dropped", kPatience))
        << m_producer->stderrText();
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      EXPECT_EQ(countOf(m_producer->stderrText(), "connection dropped"), 1u)
        << m_producer->stderrText();
    }

    testsupport::NamingService m_naming;
    std::unique_ptr<ChildProcess> m_simulator;
    std::unique_ptr<ChildProcess> m_producer;
    std::unique_ptr<ChildProcess> m_consumer;
  };

  TEST_P(MixedChain, EveryReplyReachesTheConsumerOnceInOrderByteForByte)
  {
    m_directory.write("replies.txt", "POS 1 x=0.125 y=-3.5\n"
                                     "tab\tinside and trailing blanks  \n"
                                     "\xc3\xbc\xe2\x82\xac bytes above 127\n"
                                     "quote \" backslash \\ percent %s %d\n"
                                     "\n"
                                     "   leading blanks\n");
    m_simulator = startSimulator({"--replies", m_directory.file("replies.txt")});
    m_producer = startProducer();
    m_consumer = startConsumer();
    ASSERT_TRUE(waitPrinted(*m_consumer, 30))
      << m_consumer->stdoutText() << m_consumer->stderrText() << m_producer->stderrText();

    ASSERT_TRUE(interrupt(*m_producer)) << m_producer->stderrText();
    const std::vector<std::string> published =
      testsupport::publishedValues(m_producer->stdoutText());
    ASSERT_TRUE(waitPrinted(*m_consumer, published.size())) << published.size() << " published\n"
                                                            << m_consumer->stdoutText();
    const std::vector<std::string> printed = testsupport::printedValues(m_consumer->stdoutText());
    EXPECT_EQ(printed, published);
    const std::string log = simulatorLog();
    const std::vector<std::string> sent = testsupport::sentReplies(log, 1);
    ASSERT_GE(published.size() + 1, sent.size());
    ASSERT_LE(published.size(), sent.size());
    EXPECT_TRUE(std::equal(published.begin(), published.end(), sent.begin()));
    EXPECT_NE(log.find("RECV 1 Q"), std::string::npos) << log;
    expectEndsWithoutCrash(*m_consumer);
  }

  TEST_P(MixedChain, PublisherThreadPushingAllDeliversEveryReplyOnceInOrder)
  {
    // Stamped replies are all different, so each one printed is known by its text.
    m_simulator = startSimulator({"--stamp"});
    m_producer = startProducer();
    m_consumer = startConsumer("&subscription_type=New&publisher.push_policy=all");
    ASSERT_TRUE(waitPrinted(*m_consumer, 50))
      << m_consumer->stdoutText() << m_consumer->stderrText() << m_producer->stderrText();
    // Deactivated, the producer writes no more while its publisher still sends what it holds.
    ChildProcess tool(BUILTIN_RTCTL_PATH, {"-n", m_naming.address(), "deactivate", "InKorvane0"});
    ASSERT_TRUE(tool.wait(kPatience));
    ASSERT_EQ(0, tool.exitCode()) << tool.stderrText();
    const std::vector<std::string> published =
      testsupport::publishedValues(m_producer->stdoutText());
    ASSERT_TRUE(waitPrinted(*m_consumer, published.size())) << published.size() << " published\n"
                                                            << m_consumer->stdoutText();
    EXPECT_EQ(testsupport::printedValues(m_consumer->stdoutText()), published);
    EXPECT_EQ(0u, countOf(m_producer->stderrText() + m_consumer->stderrText(), "refused"));
    expectEndsWithoutCrash(*m_consumer);
    expectEndsWithoutCrash(*m_producer);
  }

  TEST_P(MixedChain, PullGivesOurConsumerEveryValueOnceInOrderAndServesOpenRtmReaders)
  {
    // Stamped replies all differ, so a value printed twice would show.
    m_simulator = startSimulator({"--stamp"});
    m_producer = startProducer();
    m_consumer = startConsumer("&dataflow_type=pull");
    ASSERT_TRUE(waitPublished(*m_producer, 50)) << m_producer->stderrText();
    if (GetParam().builtinProducer)
      {
        // OpenRTM-aist's in port never reports a pulled value as new, with its own writers
        // too: connected and served, its consumer prints nothing.
        EXPECT_EQ(0u, testsupport::printedValues(m_consumer->stdoutText()).size());
      }
    else
      {
        ASSERT_TRUE(waitPrinted(*m_consumer, 20)) << m_consumer->stderrText();
        ChildProcess tool(BUILTIN_RTCTL_PATH,
                          {"-n", m_naming.address(), "deactivate", "InKorvane0"});
        ASSERT_TRUE(tool.wait(kPatience));
        ASSERT_EQ(0, tool.exitCode()) << tool.stderrText();
        const std::vector<std::string> published =
          testsupport::publishedValues(m_producer->stdoutText());
        ASSERT_TRUE(waitPrinted(*m_consumer, published.size())) << m_consumer->stdoutText();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(testsupport::printedValues(m_consumer->stdoutText()), published);
      }
    EXPECT_EQ(0u, countOf(m_producer->stderrText() + m_consumer->stderrText(), "refused"))
      << m_producer->stderrText() << m_consumer->stderrText();
    expectEndsWithoutCrash(*m_consumer);
    expectEndsWithoutCrash(*m_producer);
  }

  TEST_P(MixedChain, TheProducersOwnPreconnectWiresItToo)
  {
    m_simulator = startSimulator();
    m_consumer = startProgram(GetParam().consumer, namingOptions());
    ASSERT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvaneTest0.rtc", kPatience))
      << m_consumer->stderrText();
    const std::string peer = "rtcname://" + m_naming.address() + "/InKorvaneTest0";
    std::vector<std::string> options = namingOptions();
    options.push_back("Category.InKorvane.conf.default.Port:" +
                      std::to_string(m_simulatorPort.number()));
    options.push_back("manager.components.preconnect:InKorvane0.outPositionData?port=" + peer +
                      ".inPositionData&buffer.length=256");
    options.push_back("manager.components.preactivation:" + peer + ", InKorvane0");
    m_producer = startProgram(GetParam().producer, options);
    ASSERT_TRUE(waitPrinted(*m_consumer, 10))
      << m_consumer->stdoutText() << m_consumer->stderrText() << m_producer->stderrText();
    ASSERT_TRUE(interrupt(*m_producer)) << m_producer->stderrText();
    const std::vector<std::string> published =
      testsupport::publishedValues(m_producer->stdoutText());
    ASSERT_TRUE(waitPrinted(*m_consumer, published.size())) << m_consumer->stdoutText();
    EXPECT_EQ(testsupport::printedValues(m_consumer->stdoutText()), published);
    expectEndsWithoutCrash(*m_consumer);
  }

  TEST_P(MixedChain, OpenRtmSideKilledMidStreamTheBuiltinSideGoesOn)
  {
    startChain();
    openRtmSide().signal(SIGKILL);
    ASSERT_TRUE(openRtmSide().wait(kPatience));
    if (GetParam().builtinProducer) { expectProducerGoesOnAlone(); }
    else
      {
        // The consumer finds its writer gone and drops the connection, once.
        EXPECT_TRUE(m_consumer->waitForStderr("gone; connection dropped", kPatience))
          << m_consumer->stderrText();
        EXPECT_EQ(countOf(m_consumer->stderrText(), "connection dropped"), 1u)
          << m_consumer->stderrText();
      }
    expectEndsWithoutCrash(builtinSide());
  }

  TEST_P(MixedChain, PullFromAnOpenRtmWriterThatIsGoneIsDroppedWithOneWarning)
  {
    // OpenRTM-aist's reader prints nothing pulled (see the pull test above): only ours pulls.
    if (GetParam().builtinProducer) { GTEST_SKIP(); }
    m_simulator = startSimulator();
    m_producer = startProducer();
    m_consumer = startConsumer("&dataflow_type=pull");
    ASSERT_TRUE(waitPrinted(*m_consumer, 10)) << m_consumer->stderrText();
    m_producer->signal(SIGKILL);
    ASSERT_TRUE(m_producer->wait(kPatience));
    EXPECT_TRUE(m_consumer->waitForStderr("gone; connection dropped", kPatience))
      << m_consumer->stderrText();
    // Asked again at each execution, a gone writer would warn again.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(countOf(m_consumer->stderrText(), "connection dropped"), 1u)
      << m_consumer->stderrText();
    EXPECT_TRUE(m_consumer->running()) << m_consumer->stderrText();
    expectEndsWithoutCrash(*m_consumer);
  }

  TEST_P(MixedChain, OpenRtmSideHungMidStreamTheBuiltinSideGoesOn)
  {
    startChain();
    openRtmSide().signal(SIGSTOP);
    if (GetParam().builtinProducer)
      {
        // Each put waits out its time-out once; then the producer writes on without the reader.
        expectProducerGoesOnAlone();
        expectEndsWithoutCrash(*m_producer);
      }
    else
      {
        // With its writer hung, the consumer still shuts down in bounded time.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        EXPECT_TRUE(m_consumer->running()) << m_consumer->stderrText();
        expectEndsWithoutCrash(*m_consumer);
      }
    openRtmSide().signal(SIGCONT);
    expectEndsWithoutCrash(openRtmSide());
  }

  INSTANTIATE_TEST_SUITE_P(BothWays, MixedChain, ::testing::ValuesIn(kDirections), directionName);
}
