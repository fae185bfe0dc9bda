// InKorvane driven by the built-in manager in this process: an in-process reader ("Tap") is
// connected to outPositionData, and a loopback server in the test plays the position server.
#include "InKorvane.h"

#include <rtm/DataInPort.h>
#include "ChildProcess.h"
#include "InProcessManager.h"
#include "PortTexts.h"
#include "TestSocket.h"

#include "ComponentCore.h"
#include "PeriodicExecutionContext.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace
{
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  using testsupport::TestSocket;

  // Collects every value that arrives on its in port.
  class Tap : public RTC::DataFlowComponentBase
  {
  public:
    explicit Tap(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_inIn("in", m_in) {}

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("in", m_inIn);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      while (m_inIn.isNew())
        {
          if (m_inIn.read())
            {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_values.push_back(std::string(m_in.data));
              m_changed.notify_all();
            }
        }
      return RTC::RTC_OK;
    }

    bool waitForCount(std::size_t count, milliseconds timeout)
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      return m_changed.wait_for(lock, timeout, [&] { return m_values.size() >= count; });
    }

    std::vector<std::string> values()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_values;
    }

  private:
    RTC::TimedString m_in;
    RTC::InPort<RTC::TimedString> m_inIn;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_values;
  };

  RTC::RTObject_impl* g_inKorvane = nullptr;
  Tap* g_tap = nullptr;

  void moduleInit(RTC::Manager* manager)
  {
    InKorvaneInit(manager);
    g_inKorvane = manager->createComponent("InKorvane");
    g_tap = testsupport::createTestComponent<Tap>(manager, "Tap");
  }

  // One manager for the whole test program; each test case runs in a process of its own.
  const ::testing::Environment* const g_environment = testsupport::addInProcessManager(
    "InKorvaneComponentTest",
    {"naming.enable:NO", "exec_cxt.periodic.rate:200", "logger.log_level:WARN",
     "manager.components.preconnect:InKorvane0.outPositionData?port=Tap0.in&buffer.length=64",
     "manager.components.preactivation:Tap0"},
    moduleInit);

  RTC::PeriodicExecutionContext& context()
  {
    return *coreOf(*g_inKorvane).executionContext();
  }

  void configure(const std::string& param, const std::string& value)
  {
    coreOf(*g_inKorvane).config().setValue("default", param, value);
  }

  // A test server on a free loopback port that InKorvane is configured to use.
  struct InKorvaneWithServer : ::testing::Test
  {
    void SetUp() override
    {
      ASSERT_NE(g_inKorvane, nullptr);
      ASSERT_NE(g_tap, nullptr);
      ASSERT_EQ(context().state(), RTC::INACTIVE_STATE);
      earlier = g_tap->values().size();
      listener = TestSocket::listenLowPort(port);
      configure("IPAddress", "127.0.0.1");
      configure("Port", std::to_string(port));
    }

    // The values published during this test.
    std::vector<std::string> published()
    {
      std::vector<std::string> values = g_tap->values();
      return std::vector<std::string>(values.begin() + static_cast<std::ptrdiff_t>(earlier),
                                      values.end());
    }
    bool waitForPublished(std::size_t count, milliseconds timeout)
    {
      return g_tap->waitForCount(earlier + count, timeout);
    }

    // Activates, accepts the connection and greets it.
    TestSocket activateAndGreet(const std::string& greeting = "HELLO\n")
    {
      TestSocket session;
      std::thread activator([&] { EXPECT_EQ(context().activate(), RTC::RTC_OK); });
      session = listener.accept(seconds(5));
      EXPECT_GE(session.fd(), 0);
      session.sendAll(greeting);
      activator.join();
      return session;
    }

    unsigned short port = 0;
    TestSocket listener;
    std::size_t earlier = 0;
  };

  TEST_F(InKorvaneWithServer,
         EachReplyIsPublishedAsExactlyItsBytesAndEachConsumedReplyBringsOneRequest)
  {
    TestSocket session = activateAndGreet();
    const std::vector<std::string> replies = {"POS 1 x=0.5\n", "POS 2\twith tab\n",
                                              "line one\nline two\n"};
    for (std::size_t i = 0; i < replies.size(); ++i)
      {
        ASSERT_EQ(session.receive(1, seconds(5)), "\n") << "request " << i;
        ASSERT_TRUE(session.sendAll(replies[i]));
        ASSERT_TRUE(waitForPublished(i + 1, seconds(5)));
      }
    EXPECT_EQ(published(), replies);
    // The last consumed reply brought exactly one more request, and nothing else came.
    EXPECT_EQ(session.receive(1, seconds(5)), "\n");
    EXPECT_EQ(session.receive(1, milliseconds(300)), "");

    ASSERT_EQ(context().deactivate(), RTC::RTC_OK);   // the worker runs out its 5 s wait first
    EXPECT_EQ(session.receive(1, seconds(1)), "Q");
    EXPECT_TRUE(session.waitForClose(seconds(1)));
  }

  TEST_F(InKorvaneWithServer, WrongGreetingPublishesNothingAndSendsOnlyTheActivationRequest)
  {
    TestSocket session = activateAndGreet("hello\n");
    EXPECT_EQ(session.receive(1, seconds(5)), "\n");
    session.sendAll("POS ignored\n");
    // The worker takes this reply, but a component without a greeting publishes nothing.
    EXPECT_EQ(session.receive(1, seconds(1)), "");
    EXPECT_FALSE(waitForPublished(1, milliseconds(300)));
    ASSERT_EQ(context().deactivate(), RTC::RTC_OK);
    EXPECT_EQ(session.receive(1, seconds(1)), "Q");
    EXPECT_TRUE(session.waitForClose(seconds(1)));
  }

  TEST_F(InKorvaneWithServer,
         DeactivationWaitsForTheOutstandingReplyThenSendsQuitAndClosesAndTheReplyIsNeverPublished)
  {
    TestSocket session = activateAndGreet();
    ASSERT_EQ(session.receive(1, seconds(5)), "\n");
    const auto start = std::chrono::steady_clock::now();
    std::thread deactivator([] { EXPECT_EQ(context().deactivate(), RTC::RTC_OK); });
    // While the worker still waits for the reply, nothing else reaches the server.
    EXPECT_EQ(session.receive(1, milliseconds(500)), "");
    ASSERT_TRUE(session.sendAll("late reply\n"));
    EXPECT_EQ(session.receive(1, seconds(2)), "Q");
    EXPECT_TRUE(session.waitForClose(seconds(2)));
    deactivator.join();
    // The close is followed by the 3-second pause before deactivation is done.
    EXPECT_GE(std::chrono::steady_clock::now() - start, seconds(3));
    EXPECT_FALSE(waitForPublished(1, milliseconds(300)));

    // Nor by the next activation, which begins with a fresh exchange.
    TestSocket again = activateAndGreet();
    ASSERT_EQ(again.receive(1, seconds(5)), "\n");
    EXPECT_EQ(again.receive(1, milliseconds(300)), "") << "a request without a reply";
    again.sendAll("fresh\n");
    ASSERT_TRUE(waitForPublished(1, seconds(5)));
    EXPECT_EQ(published(), (std::vector<std::string>{"fresh\n"}));
    ASSERT_EQ(context().deactivate(), RTC::RTC_OK);
  }

  TEST_F(InKorvaneWithServer, SecondActivationMakesANewConnectionThatIsGreetedAgain)
  {
    {
      TestSocket first = activateAndGreet();
      ASSERT_EQ(first.receive(1, seconds(5)), "\n");
      first.sendAll("first\n");
      ASSERT_TRUE(waitForPublished(1, seconds(5)));
      ASSERT_EQ(context().deactivate(), RTC::RTC_OK);
    }
    TestSocket second = activateAndGreet();
    ASSERT_EQ(second.receive(1, seconds(5)), "\n");
    second.sendAll("second\n");
    ASSERT_TRUE(waitForPublished(2, seconds(5)));
    EXPECT_EQ(published(), (std::vector<std::string>{"first\n", "second\n"}));
    ASSERT_EQ(context().deactivate(), RTC::RTC_OK);
  }

  TEST(InKorvaneWithoutServer, FailedConnectPublishesNothingAndDeactivationStillSendsQuit)
  {
    const std::size_t before = g_tap->values().size();
    const testsupport::ReservedPort reserved;   // refuses connections
    const int closedPort = reserved.number();
    configure("IPAddress", "127.0.0.1");
    configure("Port", std::to_string(closedPort));
    testing::internal::CaptureStdout();
    ASSERT_EQ(context().activate(), RTC::RTC_OK);
    EXPECT_EQ(context().state(), RTC::ACTIVE_STATE);
    EXPECT_FALSE(g_tap->waitForCount(before + 1, milliseconds(300)));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(context().deactivate(), RTC::RTC_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(2900));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("connect is error IP:127.0.0.1 port:" + std::to_string(closedPort)),
              std::string::npos)
      << out;
    EXPECT_EQ(out.find("request: <LF>"), std::string::npos) << out;
  }

  // The port actually dialled, read from the console line printed before each connect.
  std::string dialledPortFor(const std::string& portValue)
  {
    configure("IPAddress", "127.0.0.1");
    configure("Port", portValue);
    testing::internal::CaptureStdout();
    EXPECT_EQ(context().activate(), RTC::RTC_OK);
    EXPECT_EQ(context().deactivate(), RTC::RTC_OK);
    std::string out = testing::internal::GetCapturedStdout();
    const std::string prefix = "Trying to connect to 127.0.0.1:";
    std::string::size_type at = out.find(prefix);
    if (at == std::string::npos) { return "no connect line in: " + out; }
    return out.substr(at + prefix.size(), out.find(' ', at + prefix.size()) - at - prefix.size());
  }

  class InKorvanePortParameter : public ::testing::TestWithParam<testsupport::PortText>
  {
  };

  // A text that does not convert gives the default, not whatever the parameter held before.
  TEST_P(InKorvanePortParameter, DialsTheConvertedPort)
  {
    if (!GetParam().converts) { EXPECT_EQ(dialledPortFor("7010"), "7010"); }
    EXPECT_EQ(dialledPortFor(GetParam().text), std::to_string(GetParam().dialledPort));
  }

  INSTANTIATE_TEST_SUITE_P(Texts, InKorvanePortParameter,
                           ::testing::ValuesIn(testsupport::kPortTexts), testsupport::portTextName);
}

// A shutdown without deactivation deletes a component whose receive worker still runs: the
// destructor must join it, or the program ends in std::terminate.
TEST(InKorvaneDestruction, DeletingAnActiveComponentJoinsItsWorker)
{
  const testsupport::ReservedPort closed;
  std::unique_ptr<InKorvane> component(new InKorvane(&RTC::Manager::instance()));
  ASSERT_EQ(component->onInitialize(), RTC::RTC_OK);
  coreOf(*component).config().setValue("default", "Port", std::to_string(closed.number()));
  coreOf(*component).config().update();
  ASSERT_EQ(component->onActivated(0), RTC::RTC_OK);
  component.reset();
}
