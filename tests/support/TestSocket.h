// Loopback TCP sockets and ports for the tests. A port handed to a program stays held by the test
// until that program owns it, so that no other test running beside it can take it in between.
#ifndef TESTS_SUPPORT_TESTSOCKET_H
#define TESTS_SUPPORT_TESTSOCKET_H

#include <chrono>
#include <string>

namespace testsupport
{
  // A loopback TCP socket owned by a test: closed on destruction, every wait bounded.
  class TestSocket
  {
  public:
    explicit TestSocket(int fd = -1) : m_fd(fd) {}
    ~TestSocket() { close(); }
    TestSocket(TestSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    TestSocket& operator=(TestSocket&& other) noexcept;

    static TestSocket connectTo(unsigned short port);
    // Listens on 127.0.0.1 at a port the kernel picks.
    static TestSocket listenAnyPort(unsigned short& port);
    // Listens on 127.0.0.1 at a free port below 32768: InKorvane's "Port" parameter is a signed
    // 16-bit number, so the kernel's ephemeral ports (above 32767) cannot be configured as they
    // are.
    static TestSocket listenLowPort(unsigned short& port);
    // Listens on 127.0.0.1 at `port`, tried again while another process holds it, for up to
    // `patience`; not valid() if it stayed taken.
    static TestSocket listenOn(unsigned short port, std::chrono::milliseconds patience);

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();
    // Closes with a reset instead of an orderly end.
    void reset();
    TestSocket accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool sendAll(const std::string& bytes);
    // What arrives until `bytes` bytes, or `lines` line feeds, are in, the peer closes or time is
    // up.
    std::string receive(std::size_t bytes,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::string receiveLines(std::size_t lines,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True once the peer has closed (reading and dropping whatever comes before).
    bool waitForClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  private:
    // Reads while `more(received)` holds; false in `closed` unless the peer closed.
    std::string receiveWhile(bool (*more)(const std::string&, std::size_t), std::size_t limit,
                             std::chrono::milliseconds timeout, bool* closed = nullptr);

    int m_fd;
  };

  // A port on 127.0.0.1 below 32768, held for the test as long as this lives: bound but not
  // listening, so connections to it are refused and no other test can bind it. A server that
  // sets SO_REUSEADDR, as PositionServerSim does, can still listen on it meanwhile.
  class ReservedPort
  {
  public:
    ReservedPort();
    int number() const { return m_number; }

  private:
    TestSocket m_socket;
    int m_number = 0;
  };

  // A TCP port on 127.0.0.1 that was free a moment ago, for programs (omniNames) that bind it
  // themselves without sharing.
  int freeLoopbackPort();
}

#endif
