// The whole chain across processes as an OpenRTM user wires it, with no tool at all: a real
// omniNames, PositionServerSim, InKorvaneComp, and an InKorvaneTestComp whose own configuration
// connects it to the producer through the naming service and activates both.
#include "NamingLookup.h"
#include "ProgramFixture.h"
#include "SimulatorCases.h"

namespace programs
{
  class PreconnectChain : public ProgramFixture
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    std::vector<std::string> namingOptions() const
    {
      return {"naming.enable:YES", "corba.nameservers:" + m_naming.address(),
              "naming.formats:%n.rtc"};
    }

    testsupport::NamingService m_naming;
  };

  TEST_F(PreconnectChain, EveryReplyReachesTheConsumerOnceInOrderByteForByte)
  {
    m_directory.write("replies.txt", testsupport::kAwkwardReplies);
    std::unique_ptr<ChildProcess> simulator =
      startSimulator({"--replies", m_directory.file("replies.txt")});

    std::vector<std::string> producerOptions = namingOptions();
    producerOptions.push_back("Category.InKorvane.conf.default.Port:" +
                              std::to_string(m_simulatorPort.number()));
    std::unique_ptr<ChildProcess> producer = startProgram(INKORVANE_COMP_PATH, producerOptions);
    ASSERT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvane0.rtc", kPatience))
      << producer->stderrText();

    const std::string peer = "rtcname://" + m_naming.address() + "/InKorvane0";
    std::vector<std::string> consumerOptions = namingOptions();
    consumerOptions.push_back("exec_cxt.periodic.rate:200");
    consumerOptions.push_back("manager.components.preconnect:InKorvaneTest0.inPositionData?port=" +
                              peer + ".outPositionData&buffer.length=256");
    consumerOptions.push_back("manager.components.preactivation:" + peer + ", InKorvaneTest0");
    std::unique_ptr<ChildProcess> consumer =
      startProgram(INKORVANE_TEST_COMP_PATH, consumerOptions);

    ASSERT_TRUE(waitPrinted(*consumer, 30))
      << consumer->stdoutText() << consumer->stderrText() << producer->stderrText();

    ASSERT_TRUE(interrupt(*producer)) << producer->stderrText();
    const std::vector<std::string> published = testsupport::publishedValues(producer->stdoutText());
    ASSERT_TRUE(waitPrinted(*consumer, published.size()));
    ASSERT_TRUE(interrupt(*consumer)) << consumer->stderrText();

    const std::vector<std::string> printed = testsupport::printedValues(consumer->stdoutText());
    const std::string log = simulatorLog();
    const std::vector<std::string> sent = testsupport::sentReplies(log, 1);
    EXPECT_EQ(printed, published);
    // Every reply but one still in flight at the interruption was published, in order.
    ASSERT_GE(published.size() + 1, sent.size());
    ASSERT_LE(published.size(), sent.size());
    EXPECT_TRUE(std::equal(published.begin(), published.end(), sent.begin()));
    EXPECT_NE(log.find("RECV 1 Q"), std::string::npos) << log;
  }
}
