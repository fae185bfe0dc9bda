// InKorvaneComp with no configuration of its own dials the default server, 127.0.0.1:7003; a
// server there that greets and then never answers gets one request per reply wait, 5 seconds
// apart. Timed, so its program runs alone (see CMakeLists.txt).
#include "ProgramFixture.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace programs
{
  namespace
  {
    using std::chrono::duration;
    using std::chrono::seconds;
    using std::chrono::steady_clock;

    const unsigned short kDefaultPort = 7003;

    // Owns a descriptor.
    struct Descriptor
    {
      explicit Descriptor(int fd) : m_fd(fd) {}
      ~Descriptor()
      {
        if (m_fd >= 0) { ::close(m_fd); }
      }
      Descriptor(const Descriptor&) = delete;
      Descriptor& operator=(const Descriptor&) = delete;
      int m_fd;
    };

    bool readable(int fd, steady_clock::time_point deadline)
    {
      const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
      pollfd entry{fd, POLLIN, 0};
      return left.count() > 0 && ::poll(&entry, 1, static_cast<int>(left.count())) > 0;
    }
  }

  class RequestPacing : public ProgramFixture
  {
  };

  TEST_F(RequestPacing, UnansweredRequestsToTheDefaultServerComeFiveSecondsApart)
  {
    // Other programs on this machine may use the default port for a moment; wait for it.
    Descriptor listener(testsupport::listenOnLoopbackPort(kDefaultPort, seconds(10)));
    ASSERT_GE(listener.m_fd, 0) << "127.0.0.1:" << kDefaultPort
                                << " stayed busy for 10 s; this test needs it free";
    ChildProcess program(INKORVANE_COMP_PATH,
                         {"-o", "corba.endpoint:127.0.0.1:", "-o", "naming.enable:NO", "-o",
                          "manager.components.preactivation:InKorvane0"},
                         {}, m_directory.path());

    ASSERT_TRUE(readable(listener.m_fd, steady_clock::now() + kPatience))
      << program.stdoutText() << program.stderrText();
    Descriptor session(::accept4(listener.m_fd, nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_GE(session.m_fd, 0);
    ASSERT_EQ(::send(session.m_fd, "HELLO\n", 6, MSG_NOSIGNAL), 6);

    // The arrival times of the first three requests; nothing but line feeds may come.
    std::vector<steady_clock::time_point> arrivals;
    const auto deadline = steady_clock::now() + kPatience;
    while (arrivals.size() < 3 && readable(session.m_fd, deadline))
      {
        char bytes[16];
        const ssize_t count = ::recv(session.m_fd, bytes, sizeof(bytes), 0);
        ASSERT_GT(count, 0) << "the program closed the connection";
        const auto now = steady_clock::now();
        for (ssize_t i = 0; i < count; ++i)
          {
            ASSERT_EQ(bytes[i], '\n') << "after " << arrivals.size() << " requests";
            arrivals.push_back(now);
          }
      }
    ASSERT_EQ(arrivals.size(), 3u) << program.stdoutText() << program.stderrText();
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
