#include "ChainFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e
{
  namespace
  {
    std::string unescape(const std::string& text)
    {
      std::string bytes;
      for (std::size_t i = 0; i < text.size(); ++i)
        {
          if (text[i] != '\\' || i + 1 >= text.size())
            {
              bytes += text[i];
              continue;
            }
          char next = text[++i];
          if (next == 'n') { bytes += '\n'; }
          else if (next == 'x' && i + 2 < text.size())
            {
              bytes += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
              i += 2;
            }
          else { bytes += next; }
        }
      return bytes;
    }
  }

  std::vector<std::string> sentReplies(const std::string& log, int session)
  {
    std::vector<std::string> replies;
    std::istringstream lines(log);
    std::string line;
    const std::string prefix = "SENT " + std::to_string(session) + " ";
    bool greeting = true;   // the session's first SENT is the greeting
    while (std::getline(lines, line))
      {
        if (line.compare(0, prefix.size(), prefix) != 0) { continue; }
        if (!greeting) { replies.push_back(unescape(line.substr(prefix.size()))); }
        greeting = false;
      }
    return replies;
  }

  std::vector<std::string> printedValues(const std::string& consumerOutput)
  {
    // Each value is "receive data : \n" + text + "\n"; texts may hold line feeds themselves.
    const std::string heading = "receive data : \n";
    std::vector<std::string> values;
    std::size_t at = consumerOutput.find(heading);
    while (at != std::string::npos)
      {
        std::size_t start = at + heading.size();
        std::size_t next = consumerOutput.find(heading, start);
        std::string value = consumerOutput.substr(start, next == std::string::npos ? std::string::npos : next - start);
        if (!value.empty() && value.back() == '\n') { value.pop_back(); }
        values.push_back(value);
        at = next;
      }
    return values;
  }

  std::vector<std::string> publishedValues(const std::string& producerOutput)
  {
    const std::string start = "LOG OUTPUT START\n";
    const std::string end = "LOG OUTPUT END\n";
    std::vector<std::string> values;
    for (std::size_t at = producerOutput.find(start); at != std::string::npos; at = producerOutput.find(start, at + 1))
      {
        std::size_t stop = producerOutput.find(end, at + start.size());
        if (stop == std::string::npos) { break; }
        values.push_back(producerOutput.substr(at + start.size(), stop - at - start.size()));
      }
    return values;
  }

  void ChainFixture::SetUp()
  {
    RemoteFixture::SetUp();
    m_serverPort = testsupport::freeLowLoopbackPort();
  }

  std::unique_ptr<ChildProcess> ChainFixture::startSimulator(const std::vector<std::string>& extra,
                                                             const std::string& logName)
  {
    std::vector<std::string> arguments = {"--port", std::to_string(m_serverPort), "--log", m_directory.file(logName)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::unique_ptr<ChildProcess> simulator(new ChildProcess(POSITION_SERVER_SIM_PATH, arguments));
    EXPECT_TRUE(simulator->waitForStderr("listening on", remotetest::g_patience)) << simulator->stderrText();
    return simulator;
  }

  std::unique_ptr<ChildProcess> ChainFixture::startProducer(const std::vector<std::string>& options)
  {
    std::vector<std::string> all = {"Category.InKorvane.conf.default.Port:" + std::to_string(m_serverPort)};
    all.insert(all.end(), options.begin(), options.end());
    std::unique_ptr<ChildProcess> producer = startManager(INKORVANE_COMP_PATH, all);
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
    std::ifstream in(m_directory.file(logName));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void ChainFixture::connectChain()
  {
    rtctlOk({"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData", "-p", "buffer.length=256"});
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
      [count](const std::string& out) { return printedValues(out).size() >= count; }, remotetest::g_patience);
  }

  bool ChainFixture::publishedAtLeast(ChildProcess& producer, std::size_t count)
  {
    return producer.waitForStdoutMatch(
      [count](const std::string& out) { return publishedValues(out).size() >= count; }, remotetest::g_patience);
  }

  void ChainFixture::exitChain(ChildProcess& producer, ChildProcess& consumer)
  {
    rtctlOk({"exit", "InKorvane0", "InKorvaneTest0"});
    ASSERT_TRUE(producer.wait(remotetest::g_patience));
    ASSERT_TRUE(consumer.wait(remotetest::g_patience));
    EXPECT_EQ(producer.exitCode(), 0) << producer.stderrText();
    EXPECT_EQ(consumer.exitCode(), 0) << consumer.stderrText();
  }
}
