#include "PositionServerClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <memory>
#include <vector>
#include <sstream>

#include "TestSocket.h"

using namespace std::chrono_literals;
using testsupport::TestSocket;

namespace
{
  template <typename Call> double secondsTaken(Call call)
  {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  int lowestFreeDescriptor()
  {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(fd);
    return fd;
  }

  bool hasUnreadBytes(int fd)
  {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
  }
}   // namespace

class PositionServerClientTest : public ::testing::Test
{
protected:
  // connectServer blocks while the server side still has to act, so it runs on a thread of its
  // own; the console is read only after the future is ready.
  std::future<bool> connectAsync(const std::string& address = "127.0.0.1")
  {
    return std::async(std::launch::async,
                      [this, address] { return m_client->connectServer(address, m_port); });
  }

  bool await(std::future<bool>& result)
  {
    EXPECT_EQ(result.wait_for(10s), std::future_status::ready);
    return result.get();
  }

  // A greeted connection, its server end in m_peer, the console emptied.
  void connectGreeted()
  {
    auto result = connectAsync();
    m_peer = m_listener.accept();
    m_peer.sendAll("HELLO\n");
    ASSERT_TRUE(await(result));
    m_console.str("");
  }

  std::string console() const { return m_console.str(); }

  std::ostringstream m_console;
  std::unique_ptr<PositionServerClient> m_client =
    std::make_unique<PositionServerClient>(m_console);
  unsigned short m_port = 0;
  TestSocket m_listener = TestSocket::listenAnyPort(m_port);
  TestSocket m_peer;
};

TEST_F(PositionServerClientTest, GreetingThatBeginsWithHelloIsAccepted)
{
  auto result = connectAsync();
  TestSocket peer = m_listener.accept();
  peer.sendAll("HELLO position server 2.1\n");
  EXPECT_TRUE(await(result));
  EXPECT_EQ(console(), "Trying to connect to 127.0.0.1:" + std::to_string(m_port) +
                         " \nwaiting...\ndata receive now\nFind HELLO\n");
}

TEST_F(PositionServerClientTest, GreetingsThatDifferInTheirFirstFiveBytesAreRefused)
{
  for (const std::string greeting : {"hello\n", "HELLx\n", " HELLO\n", "HELL"})
    {
      SCOPED_TRACE(greeting);
      m_console.str("");
      auto result = connectAsync();
      TestSocket peer = m_listener.accept();
      peer.sendAll(greeting);
      EXPECT_FALSE(await(result));
      EXPECT_EQ(console().substr(console().find("waiting")),
                "waiting...\ndata receive now\nNot Find\n");
    }
}

TEST_F(PositionServerClientTest, GreetingSplitAfterThreeBytesIsRefusedAndItsRestIsTheNextReply)
{
  auto result = connectAsync();
  m_peer = m_listener.accept();
  m_peer.sendAll("HEL");
  EXPECT_FALSE(await(result));
  m_peer.sendAll("LO\n");
  EXPECT_EQ(m_client->receiveText(), "LO\n");
}

TEST_F(PositionServerClientTest, SilentServerFailsTheGreetingAfterThreeSeconds)
{
  bool connected = true;
  // Timed from before the connect, as the wait counts from there; below the 5 s reply wait.
  const double seconds = secondsTaken([&] {
    auto result = connectAsync();
    m_peer = m_listener.accept();
    connected = await(result);
  });
  EXPECT_FALSE(connected);
  EXPECT_GE(seconds, 2.99);
  EXPECT_LT(seconds, 4.5);
  EXPECT_EQ(console().substr(console().find("waiting")), "waiting...\n5 seconds time out\n");
}

TEST_F(PositionServerClientTest, ServerThatClosesAtOnceIsAReceiveErrorAndReleasesTheSocket)
{
  auto result = connectAsync();
  m_listener.accept().close();
  EXPECT_FALSE(await(result));
  EXPECT_EQ(console().substr(console().find("waiting")),
            "waiting...\ndata receive now\nrecv ERORR !!\n");
  m_console.str("");
  EXPECT_EQ(m_client->receiveText(), "");
  EXPECT_EQ(console(), "select ERROR\n");
}

TEST_F(PositionServerClientTest, HostNameIsNotLookedUpSoTheConnectFailsWithTheErrorLine)
{
  // A host name is not looked up, even when a server listens at the given port.
  EXPECT_FALSE(m_client->connectServer("localhost", m_port));
  const std::string port = std::to_string(m_port);
  EXPECT_EQ(console(), "Trying to connect to localhost:" + port +
                         " \nconnect is error IP:localhost port:" + port + "\n");
  m_client->sendText("\n");
  // Had the name been looked up, the listener at that port would hold a connection now.
  EXPECT_LT(m_listener.accept(200ms).fd(), 0);
}

TEST_F(PositionServerClientTest, EachReceiveIsOneReplyOfAtMost8191BytesCutAtAZeroByte)
{
  connectGreeted();
  const std::string whole(8191, 'a');
  m_peer.sendAll(whole);
  EXPECT_EQ(m_client->receiveText(), whole);

  m_peer.sendAll(std::string(8191, 'b') + "tail");
  EXPECT_EQ(m_client->receiveText(), std::string(8191, 'b'));
  EXPECT_EQ(m_client->receiveText(), "tail");

  m_peer.sendAll(std::string("x=1\0y=2\n", 8));
  EXPECT_EQ(m_client->receiveText(), "x=1");
  EXPECT_EQ(console(), "data receive now\ndata receive now\ndata receive now\ndata receive now\n");
}

TEST_F(PositionServerClientTest, ReplyWaitEndsEmptyAfterFiveSeconds)
{
  connectGreeted();
  std::string reply = "unset";
  const double seconds = secondsTaken([&] { reply = m_client->receiveText(); });
  EXPECT_EQ(reply, "");
  EXPECT_GE(seconds, 4.99);
  EXPECT_LT(seconds, 7.0);
  EXPECT_EQ(console(), "5 seconds time out\n");
}

TEST_F(PositionServerClientTest, PeerClosingMidExchangeFailsOnceThenEveryWaitFailsAtOnce)
{
  connectGreeted();
  m_peer.close();
  EXPECT_EQ(m_client->receiveText(), "");
  std::string reply = "unset";
  EXPECT_LT(secondsTaken([&] { reply = m_client->receiveText(); }), 2.5)
    << "waited as if for a reply";
  EXPECT_EQ(reply, "");
  EXPECT_EQ(console(), "data receive now\nrecv ERORR !!\nselect ERROR\n");
  // A send on the closed connection goes nowhere: the client does not connect again by itself.
  m_client->sendText("\n");
  EXPECT_LT(m_listener.accept(200ms).fd(), 0);
  EXPECT_EQ(console(), "data receive now\nrecv ERORR !!\nselect ERROR\n");
}

TEST_F(PositionServerClientTest, TextsAreSentAsTheyAreAndAnEmptyTextSendsNothing)
{
  connectGreeted();
  m_client->sendText("");
  EXPECT_EQ(m_peer.receive(1, 200ms), "");
  m_client->sendText("\n");
  EXPECT_EQ(m_peer.receive(1), "\n");
  m_client->sendText("Q");
  m_client->sendText("POS \x01\xff\t\n");
  m_client.reset();   // closes the connection, so the peer can read everything up to its end
  EXPECT_EQ(m_peer.receive(100), "QPOS \x01\xff\t\n");
}

TEST_F(PositionServerClientTest, RequestsOverlapWithTheReceiveWaitOnAnotherThread)
{
  connectGreeted();
  for (int cycle = 1; cycle <= 3; ++cycle)
    {
      auto reply = std::async(std::launch::async, [this] { return m_client->receiveText(); });
      m_client->sendText("\n");
      ASSERT_EQ(m_peer.receive(1), "\n");
      m_peer.sendAll("POS seq=" + std::to_string(cycle) + "\n");
      ASSERT_EQ(reply.wait_for(10s), std::future_status::ready);
      EXPECT_EQ(reply.get(), "POS seq=" + std::to_string(cycle) + "\n");
    }
}

TEST_F(PositionServerClientTest, SendingToAPeerThatHasGoneDoesNotRaiseSigpipe)
{
  connectGreeted();
  m_peer.reset();
  // In a child with SIGPIPE at its default action, where a raised SIGPIPE ends it by that signal.
  EXPECT_EXIT(
    {
      std::signal(SIGPIPE, SIG_DFL);
      for (int attempt = 0; attempt < 20; ++attempt) { m_client->sendText("\n"); }
      std::exit(0);
    },
    ::testing::ExitedWithCode(0), "");
}

TEST_F(PositionServerClientTest, ClosedDescriptorNumberIsNeverUsedAgainOnceReassigned)
{
  const int clientFd = lowestFreeDescriptor();   // the number the client's socket will take
  connectGreeted();
  m_peer.close();
  EXPECT_EQ(m_client->receiveText(), "");   // closes the client's socket

  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  TestSocket stranger(pair[0]), strangersPeer(pair[1]);
  ASSERT_EQ(stranger.fd(), clientFd);
  strangersPeer.sendAll("not yours");

  m_console.str("");
  EXPECT_EQ(m_client->receiveText(), "");
  EXPECT_EQ(console(), "select ERROR\n");
  m_client->sendText("\n");
  EXPECT_FALSE(hasUnreadBytes(strangersPeer.fd()));
  m_client->disconnect();
  EXPECT_NE(::fcntl(stranger.fd(), F_GETFD), -1);
  EXPECT_EQ(stranger.receive(9), "not yours");
}

TEST_F(PositionServerClientTest, SocketNumberedAboveFdSetSizeIsWaitedOnLikeAnyOther)
{
  // A process with many descriptors open gives the client a socket above FD_SETSIZE, which
  // select() cannot wait on.
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  const rlim_t needed = FD_SETSIZE + 64;
  if (limit.rlim_cur < needed)
    {
      limit.rlim_cur = std::min(needed, limit.rlim_max);
      ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    }
  ASSERT_GE(limit.rlim_cur, needed) << "cannot open enough descriptors for this test";
  std::vector<TestSocket> fillers;
  while (lowestFreeDescriptor() <= FD_SETSIZE)
    {
      fillers.emplace_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }

  connectGreeted();
  m_peer.sendAll("POS far\n");
  EXPECT_EQ(m_client->receiveText(), "POS far\n");
  EXPECT_EQ(console(), "data receive now\n");
  // And the wait still times out as it should.
  EXPECT_EQ(m_client->receiveText(), "");
}

TEST_F(PositionServerClientTest, DisconnectClosesThenPausesThreeSeconds)
{
  connectGreeted();
  const double seconds = secondsTaken([&] { m_client->disconnect(); });
  EXPECT_GE(seconds, 2.99);
  EXPECT_LT(seconds, 4.5);
  EXPECT_TRUE(m_peer.waitForClose(0s));
  EXPECT_EQ(m_client->receiveText(), "");
  EXPECT_EQ(console(), "select ERROR\n");
}

TEST_F(PositionServerClientTest, DisconnectWithoutAnOpenSocketStillPauses)
{
  const double seconds = secondsTaken([&] { m_client->disconnect(); });
  EXPECT_GE(seconds, 2.99);
  EXPECT_LT(seconds, 4.5);
  EXPECT_EQ(console(), "");
}

TEST_F(PositionServerClientTest, ReconnectingClosesThePreviousConnection)
{
  connectGreeted();
  TestSocket first = std::move(m_peer);
  connectGreeted();
  EXPECT_TRUE(first.waitForClose());
}
