// InKorvaneComp with no configuration of its own dials the default server, 127.0.0.1:7003; a
// server there that greets and then never answers gets one request per reply wait, 5 seconds
// apart. Timed, so its program runs alone (see CMakeLists.txt).
#include "ProgramFixture.h"
#include "TestSocket.h"

namespace programs
{
  namespace
  {
    using std::chrono::duration;
    using std::chrono::seconds;
    using std::chrono::steady_clock;
    using testsupport::TestSocket;

    const unsigned short kDefaultPort = 7003;
  }

  class RequestPacing : public ProgramFixture
  {
  };

  TEST_F(RequestPacing, UnansweredRequestsToTheDefaultServerComeFiveSecondsApart)
  {
    // Other programs on this machine may use the default port for a moment; wait for it.
    TestSocket listener = TestSocket::listenOn(kDefaultPort, seconds(10));
    ASSERT_TRUE(listener.valid()) << "127.0.0.1:" << kDefaultPort
                                  << " stayed busy for 10 s; this test needs it free";
    ChildProcess program(INKORVANE_COMP_PATH,
                         {"-o", "corba.endpoint:127.0.0.1:", "-o", "naming.enable:NO", "-o",
                          "manager.components.preactivation:InKorvane0"},
                         {}, m_directory.path());

    TestSocket session = listener.accept(kPatience);
    ASSERT_TRUE(session.valid()) << program.stdoutText() << program.stderrText();
    ASSERT_TRUE(session.sendAll("HELLO\n"));

    // The arrival times of the first three requests; nothing but line feeds may come.
    std::vector<steady_clock::time_point> arrivals;
    while (arrivals.size() < 3)
      {
        ASSERT_EQ(session.receive(1, kPatience), "\n")
          << "after " << arrivals.size() << " requests\n"
          << program.stdoutText() << program.stderrText();
        arrivals.push_back(steady_clock::now());
      }
    for (std::size_t i = 1; i < arrivals.size(); ++i)
      {
        const double spacing = duration<double>(arrivals[i] - arrivals[i - 1]).count();
        EXPECT_GE(spacing, 4.5) << "request " << i;
        EXPECT_LE(spacing, 15.0) << "request " << i;
      }

    EXPECT_TRUE(program.waitForStdout("Trying to connect to 127.0.0.1:7003 \n", kPatience))
      << program.stdoutText();
    EXPECT_EQ(program.stdoutText().find("LOG OUTPUT START"), std::string::npos)
      << program.stdoutText();
    EXPECT_TRUE(interrupt(program)) << program.stderrText();
  }
}
