#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sstream>

#include "ChainOutput.h"
#include "ChildProcess.h"
#include "PositionServerClient.h"
#include "TestSocket.h"

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::linesOf;
using testsupport::readFile;
using testsupport::TemporaryDirectory;
using testsupport::TestSocket;

namespace
{
  // PositionServerSim on a port of its own choosing; the destructor kills it if it still runs.
  class Sim : public ChildProcess
  {
  public:
    explicit Sim(std::vector<std::string> arguments)
      : ChildProcess(POSITION_SERVER_SIM_PATH, withAnyPort(std::move(arguments)))
    {
    }

    // From the "listening on" line, which arrives whole: one short write to a pipe.
    unsigned short port()
    {
      const std::string marker = "PositionServerSim listening on 127.0.0.1:";
      if (!waitForStderr(marker, 5s)) { return 0; }
      const std::string text = stderrText();
      return static_cast<unsigned short>(
        std::stoul(text.substr(text.find(marker) + marker.size())));
    }

    // Ends it with `signalNumber`; its exit status, or -1 when it did not end within 5 s.
    int stop(int signalNumber = SIGTERM)
    {
      signal(signalNumber);
      return wait(5s) ? exitCode() : -1;
    }

  private:
    static std::vector<std::string> withAnyPort(std::vector<std::string> arguments)
    {
      arguments.insert(arguments.begin(), {"--port", "0"});
      return arguments;
    }
  };

  // The client as the component uses it, against a simulator started with `simArguments`.
  struct ClientRun
  {
    bool connected = false;
    std::vector<std::string> replies;
    std::string console;
  };

  ClientRun runClient(const std::vector<std::string>& simArguments, int requests)
  {
    Sim sim(simArguments);
    std::ostringstream console;
    PositionServerClient client(console);
    ClientRun run;
    run.connected = client.connectServer("127.0.0.1", sim.port());
    for (int request = 0; request < requests; ++request)
      {
        client.sendText("\n");
        run.replies.push_back(client.receiveText());
      }
    run.console = console.str();
    return run;
  }
}   // namespace

TEST(PositionServerSimTest, GreetsThenAnswersEachLineFeedWithOnePositionLineUntilQ)
{
  TemporaryDirectory directory;
  const std::string log = directory.file("events.log");
  Sim sim({"--log", log});
  TestSocket session = TestSocket::connectTo(sim.port());
  EXPECT_EQ(session.receiveLines(1), "HELLO\n");
  session.sendAll("\n\n\n");
  const std::vector<std::string> replies = linesOf(session.receiveLines(3));
  ASSERT_EQ(replies.size(), 3u);
  const std::regex position(
    R"(POS seq=(\d+) x=-?\d+\.\d{3} y=-?\d+\.\d{3} z=-?\d+\.\d{3} yaw=-?\d+\.\d)");
  for (std::size_t index = 0; index < replies.size(); ++index)
    {
      std::smatch match;
      ASSERT_TRUE(std::regex_match(replies[index], match, position)) << replies[index];
      EXPECT_EQ(match[1], std::to_string(index + 1));
    }
  session.sendAll("Q");
  EXPECT_TRUE(session.waitForClose());
  ASSERT_TRUE(sim.waitForStderr("SESSION 1 CLOSED", 5s));
  EXPECT_EQ(linesOf(readFile(log)),
            (std::vector<std::string>{
              "SESSION 1 OPEN", "SENT 1 HELLO\\n", "RECV 1 LF", "SENT 1 " + replies[0] + "\\n",
              "RECV 1 LF", "SENT 1 " + replies[1] + "\\n", "RECV 1 LF",
              "SENT 1 " + replies[2] + "\\n", "RECV 1 Q", "SESSION 1 CLOSED"}));
}

TEST(PositionServerSimTest, ServesSessionsAtOnceAndOneAfterAnother)
{
  Sim sim({});
  TestSocket first = TestSocket::connectTo(sim.port());
  TestSocket second = TestSocket::connectTo(sim.port());
  EXPECT_EQ(second.receiveLines(1), "HELLO\n");
  EXPECT_EQ(first.receiveLines(1), "HELLO\n");
  second.sendAll("\n");
  first.sendAll("\n");
  EXPECT_EQ(first.receiveLines(1).rfind("POS seq=1 ", 0), 0u);
  EXPECT_EQ(second.receiveLines(1).rfind("POS seq=1 ", 0), 0u);
  first.sendAll("Q");
  EXPECT_TRUE(first.waitForClose());
  TestSocket third = TestSocket::connectTo(sim.port());
  EXPECT_EQ(third.receiveLines(1), "HELLO\n");
  EXPECT_TRUE(sim.waitForStderr("SESSION 3 OPEN", 5s));
}

TEST(PositionServerSimTest, RepliesFileIsReplayedLineByLineInALoop)
{
  TemporaryDirectory directory;
  const std::string log = directory.file("events.log");
  directory.write("replies.txt", "first\nback\\slash\nlast without line feed");
  Sim sim({"--replies", directory.file("replies.txt"), "--log", log});
  TestSocket session = TestSocket::connectTo(sim.port());
  session.sendAll("\n\n\n\n");
  EXPECT_EQ(session.receiveLines(5), "HELLO\nfirst\nback\\slash\nlast without line feed\nfirst\n");
  EXPECT_NE(readFile(log).find("SENT 1 back\\\\slash\\n\n"), std::string::npos);
}

TEST(PositionServerSimTest, FaultModesAtTheGreetingAsTheClientSeesThem)
{
  const ClientRun wrong = runClient({"--fault", "wrong-greeting"}, 0);
  EXPECT_FALSE(wrong.connected);
  EXPECT_NE(wrong.console.find("Not Find\n"), std::string::npos);

  const ClientRun split = runClient({"--fault", "split-greeting"}, 0);
  EXPECT_FALSE(split.connected);
  EXPECT_NE(split.console.find("Not Find\n"), std::string::npos);

  const ClientRun closed = runClient({"--fault", "close-at-once"}, 0);
  EXPECT_FALSE(closed.connected);
  EXPECT_NE(closed.console.find("recv ERORR !!\n"), std::string::npos);
}

TEST(PositionServerSimTest, OversizedAndZeroByteRepliesAsTheClientSeesThem)
{
  std::string reply;   // what the simulator sends for each request: 9000 bytes, no line feed
  while (reply.size() < 9000) { reply += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"; }
  reply.resize(9000);
  const ClientRun oversized = runClient({"--fault", "oversized-reply", "--size", "9000"}, 2);
  ASSERT_TRUE(oversized.connected);
  EXPECT_EQ(oversized.replies[0], reply.substr(0, 8191));
  // The second receive starts with the rest of the first reply, not a new one. The second request
  // went out before it, so the start of the second reply may already follow.
  const std::string& second = oversized.replies[1];
  ASSERT_GE(second.size(), 809u);
  EXPECT_EQ(second.substr(0, 809), reply.substr(8191));
  EXPECT_EQ(second.substr(809), reply.substr(0, second.size() - 809));

  const ClientRun zero = runClient({"--fault", "zero-byte-reply"}, 1);
  ASSERT_TRUE(zero.connected);
  EXPECT_TRUE(std::regex_match(zero.replies[0], std::regex(R"(POS seq=1 [^\n]*yaw=-?\d+\.\d)")))
    << zero.replies[0];
}

TEST(PositionServerSimTest, NoReplyModeTakesRequestsButAnswersNone)
{
  TemporaryDirectory directory;
  const std::string log = directory.file("events.log");
  Sim sim({"--fault", "no-reply", "--log", log});
  TestSocket session = TestSocket::connectTo(sim.port());
  session.sendAll("\n\nQ");
  EXPECT_EQ(session.receive(100), "HELLO\n");   // then the end of the session, with nothing else
  ASSERT_TRUE(sim.waitForStderr("SESSION 1 CLOSED", 5s));
  EXPECT_EQ(linesOf(readFile(log)),
            (std::vector<std::string>{"SESSION 1 OPEN", "SENT 1 HELLO\\n", "RECV 1 LF", "RECV 1 LF",
                                      "RECV 1 Q", "SESSION 1 CLOSED"}));
}

TEST(PositionServerSimTest, NoGreetingModeLetsTheClientTimeOut)
{
  const ClientRun run = runClient({"--fault", "no-greeting"}, 0);
  EXPECT_FALSE(run.connected);
  EXPECT_NE(run.console.find("waiting...\n5 seconds time out\n"), std::string::npos);
}

TEST(PositionServerSimTest, SlowReplyModeAnswersAfterTheClientsFiveSecondWait)
{
  Sim sim({"--fault", "slow-reply"});
  std::ostringstream console;
  PositionServerClient client(console);
  ASSERT_TRUE(client.connectServer("127.0.0.1", sim.port()));
  client.sendText("\n");
  EXPECT_EQ(client.receiveText(), "");
  EXPECT_EQ(client.receiveText().rfind("POS seq=1 ", 0), 0u);
}

TEST(PositionServerSimTest, VanishingClientLeavesTheServerServing)
{
  Sim sim({"--delay", "20"});
  {
    TestSocket session = TestSocket::connectTo(sim.port());
    session.sendAll("\n\n\n");
  }   // gone before its replies are sent
  EXPECT_TRUE(sim.waitForStderr("SESSION 1 CLOSED", 5s));
  TestSocket next = TestSocket::connectTo(sim.port());
  EXPECT_EQ(next.receiveLines(1), "HELLO\n");
}

TEST(PositionServerSimTest, SigtermOrSigintEndsTheServerAndItsSessionsWithStatusZero)
{
  for (const int number : {SIGTERM, SIGINT})
    {
      Sim sim({});
      TestSocket session = TestSocket::connectTo(sim.port());
      EXPECT_EQ(session.receiveLines(1), "HELLO\n");
      EXPECT_EQ(sim.stop(number), 0);
      EXPECT_TRUE(session.waitForClose());
      EXPECT_NE(sim.stderrText().find("SESSION 1 CLOSED"), std::string::npos);
    }
}

TEST(PositionServerSimTest, MaxSessionsEndsTheServerOnceTheLastSessionIsOver)
{
  Sim sim({"--max-sessions", "1"});
  TestSocket session = TestSocket::connectTo(sim.port());
  session.sendAll("Q");
  ASSERT_TRUE(sim.wait(5s));
  EXPECT_EQ(sim.exitCode(), 0);
}

TEST(PositionServerSimTest, BadCommandLinesExitWithStatusTwoAndOneLine)
{
  const std::vector<std::vector<std::string>> badLines = {
    {"--port", "abc"},
    {"--port", "65536"},
    {"--fault", "sleepy"},
    {"--bogus"},
    {"--delay"},
    {"--host", "localhost"},
    {"--replies", "/nonexistent/replies.txt"}};
  for (const auto& arguments : badLines)
    {
      SCOPED_TRACE(arguments.front());
      ChildProcess sim(POSITION_SERVER_SIM_PATH, arguments);
      ASSERT_TRUE(sim.wait(5s));
      EXPECT_EQ(sim.exitCode(), 2);
      const std::string text = sim.stderrText();
      EXPECT_EQ(text.rfind("PositionServerSim: ", 0), 0u) << text;
      EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
      EXPECT_EQ(sim.stdoutText(), "");
    }
}
