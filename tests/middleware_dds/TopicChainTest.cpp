// The chain over DDS as a user wires it with preconnects: InKorvaneComp joins the topic
// "positions" twice (corba marshaling for OpenRTM-aist peers, std_msgs/String for ROS 2),
// InKorvaneTestComp and rtctl echo read the corba topic, and a plain Fast DDS reader with ROS 2's
// default QoS reads rt/positions. All of it on loopback, which the announced locators must show.
#include "NamingLookup.h"
#include "ProgramFixture.h"
#include "Ros2StringReader.h"
#include "SimulatorCases.h"

#include <unistd.h>

namespace programs
{
  // Away from the other DDS tests, which may run meanwhile in domain 0.
  const std::string kDomain = "&fast-rtps.domain.id=5";

  class TopicChain : public ProgramFixture
  {
  protected:
    testsupport::NamingService m_naming;
  };

  TEST_F(TopicChain, EveryReplyReachesBothReadersOnceInOrderByteForByteOnLoopbackOnly)
  {
    const testsupport::NamingService& naming = m_naming;
    ASSERT_TRUE(naming.ready());
    m_directory.write("replies.txt", testsupport::kAwkwardReplies);
    std::unique_ptr<ChildProcess> simulator =
      startSimulator({"--replies", m_directory.file("replies.txt")});
    // Of this run alone: other runs on this host share loopback and domain 0.
    const std::string topic = "positions_" + std::to_string(::getpid());
    ddstest::Ros2StringReader ros2("rt/" + topic, 5);

    const std::vector<std::string> namingOptions = {
      "naming.enable:YES", "corba.nameservers:" + naming.address(), "naming.formats:%n.rtc"};
    std::vector<std::string> producerOptions = namingOptions;
    producerOptions.push_back("Category.InKorvane.conf.default.Port:" +
                              std::to_string(m_simulatorPort.number()));
    // The consumer may match after the first values: the writer keeps them for it.
    producerOptions.push_back(
      "manager.components.preconnect:"
      "InKorvane0.outPositionData?interface_type=fast-rtps&fastrtps.topic=" +
      topic + kDomain +
      "&fast-rtps.publisher.qos.durability.kind=transient_local"
      "&fast-rtps.publisher.qos.history.depth=1000,"
      "InKorvane0.outPositionData?interface_type=fast-rtps&fastrtps.topic=" +
      topic + kDomain +
      "&marshaling_type=ros2:std_msgs/String&fast-rtps.publisher.qos.history.depth=1000");
    std::unique_ptr<ChildProcess> producer = startProgram(INKORVANE_COMP_PATH, producerOptions);
    ASSERT_TRUE(testsupport::waitForName(naming.address(), "InKorvane0.rtc", kPatience))
      << producer->stderrText();
    ASSERT_TRUE(ros2.waitForWriter(kPatience)) << producer->stderrText();
    // rtctl ls lists both topic connections, the ROS 2 one with our reader matched.
    std::string listing;
    EXPECT_TRUE(testsupport::waitUntil([&] {
      ChildProcess ls(RTCTL_PROGRAM, {"-n", naming.address(), "ls"});
      ls.wait(kPatience);
      listing = ls.stdoutText();
      return countOf(listing, "InKorvane0.outPositionData -> topic " + topic + "  ") == 2 &&
             countOf(listing, ":rt/" + topic + " ") == 1 && countOf(listing, " matched=1") == 1;
    }))
      << listing;

    std::vector<std::string> consumerOptions = namingOptions;
    consumerOptions.push_back(
      "manager.components.preconnect:InKorvaneTest0.inPositionData?interface_type=fast-rtps"
      "&fastrtps.topic=" +
      topic + kDomain +
      "&buffer.length=256"
      "&fast-rtps.subscriber.qos.reliability.kind=reliable"
      "&fast-rtps.subscriber.qos.durability.kind=transient_local");
    consumerOptions.push_back("manager.components.preactivation:rtcname://" + naming.address() +
                              "/InKorvane0, InKorvaneTest0");
    // rtctl reads the corba topic too, before the values flow.
    ChildProcess echo(RTCTL_PROGRAM, {"-n", naming.address(), "echo", "--topic", topic, "-p",
                                      "fast-rtps.domain.id=5", "--count", "5"});
    std::unique_ptr<ChildProcess> consumer =
      startProgram(INKORVANE_TEST_COMP_PATH, consumerOptions);

    ASSERT_TRUE(waitPrinted(*consumer, 30))
      << consumer->stdoutText() << consumer->stderrText() << producer->stderrText();
    ASSERT_TRUE(interrupt(*producer)) << producer->stderrText();
    const std::vector<std::string> published = testsupport::publishedValues(producer->stdoutText());
    // A volatile reader takes what is written once the writer's first heartbeat has reached it,
    // which a busy machine may delay past the first values: from its first value on, the
    // ROS 2 reader must have every value, in order.
    auto ros2HasTheRest = [&] {
      const std::vector<std::string> texts = ros2.texts();
      return !texts.empty() && texts.size() <= published.size() &&
             std::equal(texts.rbegin(), texts.rend(), published.rbegin());
    };
    ASSERT_TRUE(testsupport::waitUntil([&] {
      return testsupport::printedValues(consumer->stdoutText()).size() >= published.size() &&
             ros2HasTheRest();
    }))
      << ros2.texts().size() << " on rt/, " << published.size() << " published\n"
      << consumer->stderrText();
    EXPECT_GE(ros2.texts().size() + 10, published.size());
    ASSERT_TRUE(interrupt(*consumer)) << consumer->stderrText();

    EXPECT_EQ(testsupport::printedValues(consumer->stdoutText()), published);
    ASSERT_TRUE(echo.wait(kPatience)) << echo.stderrText();
    EXPECT_EQ(echo.exitCode(), 0) << echo.stderrText();
    EXPECT_TRUE(testsupport::isRunOf(published, echo.stdoutText(), 5)) << echo.stdoutText();
    const std::vector<std::string> sent = testsupport::sentReplies(simulatorLog(), 1);
    ASSERT_LE(published.size(), sent.size());
    EXPECT_TRUE(std::equal(published.begin(), published.end(), sent.begin()));

    // Both programs' participants were seen, and neither announced anything off loopback.
    EXPECT_GE(ros2.participantsSeen(), 2u);
    const std::vector<std::string> locators = ros2.announcedLocators();
    EXPECT_FALSE(locators.empty());
    for (const std::string& locator : locators)
      {
        EXPECT_EQ(locator.compare(0, 10, "127.0.0.1:"), 0) << locator;
      }
  }
}
