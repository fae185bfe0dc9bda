// InKorvaneTest driven by the built-in manager in this process: a small writer component feeds
// "inPositionData" through an in-process connection, and each execution of the consumer is run
// by the test, on the consumer's execution context thread, with its console captured. The
// consumer itself stays inactive, so its context never executes it on its own.
#include "InKorvaneTest.h"

#include <rtm/DataOutPort.h>
#include "ChildProcess.h"
#include "InProcessManager.h"

#include "ComponentCore.h"
#include "ConnectionBuffer.h"
#include "PeriodicExecutionContext.h"
#include "PortConnect.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace
{
  using std::chrono::seconds;

  class Writer : public RTC::DataFlowComponentBase
  {
  public:
    explicit Writer(RTC::Manager* manager)
      : RTC::DataFlowComponentBase(manager), m_outOut("out", m_out)
    {
    }

    RTC::ReturnCode_t onInitialize() override
    {
      addOutPort("out", m_outOut);
      return RTC::RTC_OK;
    }

    RTC::TimedString m_out;
    RTC::OutPort<RTC::TimedString> m_outOut;
  };

  RTC::RTObject_impl* g_consumer = nullptr;
  Writer* g_writer = nullptr;

  void moduleInit(RTC::Manager* manager)
  {
    InKorvaneTestInit(manager);
    g_consumer = manager->createComponent("InKorvaneTest");
    g_writer = testsupport::createTestComponent<Writer>(manager, "Writer");
  }

  const ::testing::Environment* const g_environment = testsupport::addInProcessManager(
    "InKorvaneTestComponentTest", {"naming.enable:NO", "logger.log_level:WARN"}, moduleInit);

  RTC::InPortBase& consumerPort()
  {
    return *coreOf(*g_consumer).inPort("inPositionData");
  }

  // One execution of the consumer on its own thread; what it printed on standard output.
  std::string execute()
  {
    RTC::PeriodicExecutionContext& context = *coreOf(*g_consumer).executionContext();
    RTC::ReturnCode_t result = RTC::RTC_ERROR;
    testing::internal::CaptureStdout();
    context.runBetweenCallbacks([&] { result = g_consumer->onExecute(context.id()); });
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, RTC::RTC_OK);
    return printed;
  }

  std::string printedFor(const std::string& text)
  {
    return "receive data : \n" + text + "\n";
  }

  class InKorvaneTestConsumer : public ::testing::Test
  {
  protected:
    void SetUp() override
    {
      ASSERT_NE(g_consumer, nullptr);
      ASSERT_NE(g_writer, nullptr);
      ASSERT_EQ(coreOf(*g_consumer).state(), RTC::INACTIVE_STATE);
      ASSERT_TRUE(consumerPort().connections().empty());
    }

    void TearDown() override
    {
      if (m_connection.empty()) { return; }
      consumerPort().removeConnection(m_connection);
      g_writer->m_outOut.removeConnector(m_connection);
    }

    void connect()
    {
      RTC::ConnectionSettings settings;
      std::string error;
      ASSERT_TRUE(RTC::makeConnectionSettings(coil::Properties(), "Writer0.out",
                                              "InKorvaneTest0.inPositionData", settings, error))
        << error;
      ASSERT_TRUE(RTC::connectInProcess(g_writer->m_outOut, consumerPort(), settings, error))
        << error;
      m_connection = settings.id;
    }

    void write(const std::string& text, unsigned long sec = 0, unsigned long nsec = 0)
    {
      g_writer->m_out.tm.sec = sec;
      g_writer->m_out.tm.nsec = nsec;
      g_writer->m_out.data = CORBA::string_dup(text.c_str());
      ASSERT_TRUE(g_writer->m_outOut.write());
    }

    std::string m_connection;
  };

  TEST_F(InKorvaneTestConsumer, NothingConnectedPrintsNothing)
  {
    for (int i = 0; i < 3; ++i) { EXPECT_EQ(execute(), ""); }
  }

  TEST_F(InKorvaneTestConsumer, OneValueIsPrintedOnceAsHeadingAndText)
  {
    connect();
    EXPECT_EQ(execute(), "");
    write("POS 1 x=0.5");
    EXPECT_EQ(execute(), "receive data : \nPOS 1 x=0.5\n");
    EXPECT_EQ(execute(), "");
    EXPECT_EQ(execute(), "");
  }

  TEST_F(InKorvaneTestConsumer, ValuesWaitingInTheBufferComeOutOnePerExecution)
  {
    connect();
    write("first");
    write("second");
    write("third");
    EXPECT_EQ(execute(), printedFor("first"));
    EXPECT_EQ(execute(), printedFor("second"));
    write("fourth");
    EXPECT_EQ(execute(), printedFor("third"));
    EXPECT_EQ(execute(), printedFor("fourth"));
    EXPECT_EQ(execute(), "");
  }

  TEST_F(InKorvaneTestConsumer, TextsArePrintedUnchangedEvenEmptyOrSpanningLines)
  {
    connect();
    write("");
    EXPECT_EQ(execute(), "receive data : \n\n");
    write("line one\nline two");
    EXPECT_EQ(execute(), "receive data : \nline one\nline two\n");
    write("POS\t\"quoted\" \\ 100%\n");
    EXPECT_EQ(execute(), "receive data : \nPOS\t\"quoted\" \\ 100%\n\n");
  }

  TEST_F(InKorvaneTestConsumer, TimeStampsPlayNoPart)
  {
    connect();
    write("same", 1, 2);
    const std::string first = execute();
    write("same", 1700000000UL, 999999999UL);
    EXPECT_EQ(execute(), first);
    EXPECT_EQ(first, printedFor("same"));
  }

  // A value that arrives but cannot be read (bytes that do not decode as a TimedString, as a
  // faulty remote writer may deliver) prints nothing: the text last read is not new data.
  TEST_F(InKorvaneTestConsumer, ValueThatCannotBeReadPrintsNothing)
  {
    connect();
    write("good");
    std::shared_ptr<RTC::ConnectionBuffer> buffer = consumerPort().findConnection(m_connection);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->push(RTC::EncodedValue{0x01, 0x02}));
    EXPECT_EQ(execute(), printedFor("good"));
    ASSERT_TRUE(consumerPort().isNew());
    EXPECT_EQ(execute(), "");
    EXPECT_FALSE(consumerPort().isNew()) << "the unreadable value was taken";
    write("next");
    EXPECT_EQ(execute(), printedFor("next"));
  }

  TEST(InKorvaneTestComp, FailedComponentCreationPrintsTheMessageAndAborts)
  {
    // A configuration file that does not exist makes the creation fail.
    testsupport::ChildProcess program(
      INKORVANE_TEST_COMP_PATH,
      {"-o", "naming.enable:NO", "-o", "Category.InKorvaneTest.config_file:/nonexistent/x.conf"});
    ASSERT_TRUE(program.wait(seconds(20))) << program.stderrText();
    EXPECT_EQ(program.termSignal(), SIGABRT);
    EXPECT_NE(program.stderrText().find("Component create failed.\n"), std::string::npos)
      << program.stderrText();
  }
}
