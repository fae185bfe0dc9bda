#include "ChainFixture.h"

namespace e2e
{
  std::unique_ptr<ChildProcess> ChainFixture::startSimulator(const std::vector<std::string>& extra,
                                                             const std::string& logName)
  {
    return m_simulatorPort.start(POSITION_SERVER_SIM_PATH, m_directory.file(logName), extra,
                                 remotetest::kPatience);
  }

  std::unique_ptr<ChildProcess> ChainFixture::startProducer(const std::vector<std::string>& options)
  {
    std::vector<std::string> all = {"Category.InKorvane.conf.default.Port:" +
                                    std::to_string(m_simulatorPort.number())};
    all.insert(all.end(), options.begin(), options.end());
    // Fresh memory filled with a pattern, so a published field left unset shows as non-zero.
    std::unique_ptr<ChildProcess> producer =
      startManager(INKORVANE_COMP_PATH, all, {{"MALLOC_PERTURB_", "165"}});
    EXPECT_TRUE(waitRegistered(*producer, "InKorvane0")) << producer->stderrText();
    return producer;
  }

  std::unique_ptr<ChildProcess> ChainFixture::startConsumer(const std::vector<std::string>& options)
  {
    std::unique_ptr<ChildProcess> consumer = startManager(INKORVANE_TEST_COMP_PATH, options);
    EXPECT_TRUE(waitRegistered(*consumer, "InKorvaneTest0")) << consumer->stderrText();
    return consumer;
  }

  std::string ChainFixture::simulatorLog(const std::string& logName) const
  {
    return testsupport::readFile(m_directory.file(logName));
  }

  void ChainFixture::connectChain()
  {
    rtctlOk({"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData", "-p",
             "buffer.length=256"});
  }
}

namespace e2e
{
  Chain ChainFixture::startActiveChain(const std::vector<std::string>& simulatorOptions)
  {
    Chain chain;
    chain.simulator = startSimulator(simulatorOptions);
    chain.producer = startProducer();
    chain.consumer = startConsumer();
    connectChain();
    rtctlOk({"activate", "InKorvaneTest0", "InKorvane0"});
    return chain;
  }

  bool ChainFixture::printedAtLeast(ChildProcess& consumer, std::size_t count)
  {
    return consumer.waitForStdoutMatch(
      [count](const std::string& out) { return printedValues(out).size() >= count; },
      remotetest::kPatience);
  }

  bool ChainFixture::publishedAtLeast(ChildProcess& producer, std::size_t count)
  {
    return producer.waitForStdoutMatch(
      [count](const std::string& out) { return publishedValues(out).size() >= count; },
      remotetest::kPatience);
  }

  void ChainFixture::exitChain(ChildProcess& producer, ChildProcess& consumer)
  {
    rtctlOk({"exit", "InKorvane0", "InKorvaneTest0"});
    ASSERT_TRUE(producer.wait(remotetest::kPatience));
    ASSERT_TRUE(consumer.wait(remotetest::kPatience));
    EXPECT_EQ(producer.exitCode(), 0) << producer.stderrText();
    EXPECT_EQ(consumer.exitCode(), 0) << consumer.stderrText();
  }
}
