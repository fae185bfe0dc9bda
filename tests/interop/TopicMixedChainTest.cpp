// Chains over a DDS topic with one program built on the built-in middleware and one built on
// OpenRTM-aist 2.0.2 with its FastRTPS transport, both ways. There is no connection between the
// two: each joins the topic by its own preconnect, with corba marshaling, and the producer is
// activated only once both sides have matched, so that every value counts.
#include "MixedDirections.h"
#include "NamingLookup.h"
#include "ProgramFixture.h"
#include "SimulatorCases.h"

#include <unistd.h>

#include <thread>

namespace interop
{
  using namespace programs;

  class TopicMixedChain : public ProgramFixture, public ::testing::WithParamInterface<Direction>
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    // The options of a program joining the topic with `port`, `keys` added to its connector.
    // OpenRTM-aist reads the loopback profile only from fastrtps.QoSXML, and needs its
    // transport module loaded.
    std::vector<std::string> topicOptions(const std::string& port, bool builtin,
                                          const std::string& keys) const
    {
      std::vector<std::string> options = {
        "naming.enable:YES", "corba.nameservers:" + m_naming.address(), "naming.formats:%n.rtc",
        "manager.components.preconnect:" + port + "?interface_type=fast-rtps&fastrtps.topic=" +
          m_topic + "&fastrtps.QoSXML=" + FASTDDS_PROFILE_PATH + keys};
      if (!builtin)
        {
          options.push_back(std::string("manager.modules.load_path:") +
                            OPENRTM_FASTRTPS_TRANSPORT_DIR);
          options.push_back("manager.preload.modules:FastRTPSTransport.so");
        }
      return options;
    }

    std::string rtctl(const std::vector<std::string>& arguments)
    {
      std::vector<std::string> all = {"-n", m_naming.address()};
      all.insert(all.end(), arguments.begin(), arguments.end());
      ChildProcess tool(BUILTIN_RTCTL_PATH, all);
      EXPECT_TRUE(tool.wait(kPatience));
      EXPECT_EQ(0, tool.exitCode()) << tool.stderrText();
      return tool.stdoutText();
    }

    testsupport::NamingService m_naming;
    // Of this run alone: other runs on this host share loopback and domain 0.
    const std::string m_topic = "positions_" + std::to_string(::getpid());
  };

  TEST_P(TopicMixedChain, EveryReplyReachesTheConsumerOnceInOrderByteForByte)
  {
    const Direction& direction = GetParam();
    m_directory.write("replies.txt", testsupport::kAwkwardReplies);
    std::unique_ptr<ChildProcess> simulator =
      startSimulator({"--replies", m_directory.file("replies.txt")});

    // OpenRTM-aist's default writer keeps one value and sends it from a thread of its own: under
    // load a value is overwritten before it has gone out. Made reliable with the file's writer
    // profile, it is read by a reliable reader of ours.
    const bool theirWriter = !direction.builtinProducer;
    std::vector<std::string> consumerOptions =
      topicOptions("InKorvaneTest0.inPositionData", theirWriter,
                   theirWriter ? "&fast-rtps.subscriber.qos.reliability.kind=reliable" : "");
    consumerOptions.push_back("manager.components.preactivation:InKorvaneTest0");
    std::unique_ptr<ChildProcess> consumer = startProgram(direction.consumer, consumerOptions);
    std::vector<std::string> producerOptions =
      topicOptions("InKorvane0.outPositionData", !theirWriter,
                   theirWriter ? "&fastrtps.publisher.name=writer_openrtm_every_value" : "");
    producerOptions.push_back("Category.InKorvane.conf.default.Port:" +
                              std::to_string(m_simulatorPort.number()));
    std::unique_ptr<ChildProcess> producer = startProgram(direction.producer, producerOptions);
    ASSERT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvane0.rtc", kPatience))
      << producer->stderrText();
    ASSERT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvaneTest0.rtc", kPatience))
      << consumer->stderrText();

    // The built-in end lists its topic connection with the peers it matched.
    const std::string builtinPort =
      direction.builtinProducer ? "InKorvane0.outPositionData" : "InKorvaneTest0.inPositionData";
    std::string listing;
    ASSERT_TRUE(testsupport::waitUntil([&] {
      listing = rtctl({"ls"});
      const std::size_t line = listing.find(builtinPort);
      return line != std::string::npos &&
             listing.find(" matched=1", line) < listing.find('\n', line);
    }))
      << listing << producer->stderrText() << consumer->stderrText();
    // Matching is seen from one side only; a best-effort reader drops what arrives before it has
    // matched the writer in turn. Give discovery the moment it takes on the OpenRTM-aist side.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    rtctl({"activate", "InKorvane0"});

    ASSERT_TRUE(waitPrinted(*consumer, 30))
      << consumer->stdoutText() << consumer->stderrText() << producer->stderrText();
    ASSERT_TRUE(interrupt(*producer)) << producer->stderrText();
    const std::vector<std::string> published = testsupport::publishedValues(producer->stdoutText());
    ASSERT_TRUE(waitPrinted(*consumer, published.size())) << published.size() << " published\n"
                                                          << consumer->stdoutText();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(testsupport::printedValues(consumer->stdoutText()), published);
    const std::vector<std::string> sent = testsupport::sentReplies(simulatorLog(), 1);
    ASSERT_LE(published.size(), sent.size());
    EXPECT_TRUE(std::equal(published.begin(), published.end(), sent.begin()));
    expectEndsWithoutCrash(*consumer);
  }

  INSTANTIATE_TEST_SUITE_P(BothWays, TopicMixedChain, ::testing::ValuesIn(kDirections),
                           directionName);
}
