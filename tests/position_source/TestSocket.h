#ifndef TESTS_POSITION_SOURCE_TESTSOCKET_H
#define TESTS_POSITION_SOURCE_TESTSOCKET_H

#include <chrono>
#include <string>

// A loopback TCP socket owned by a test: closed on destruction, every wait bounded.
class TestSocket
{
public:
  explicit TestSocket(int fd = -1) : m_fd(fd) {}
  ~TestSocket() { close(); }
  TestSocket(TestSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  TestSocket& operator=(TestSocket&& other) noexcept;

  static TestSocket connectTo(unsigned short port);
  // Listens on 127.0.0.1 at a free port.
  static TestSocket listenAnyPort(unsigned short& port);

  int fd() const { return m_fd; }
  void close();
  // Closes with a reset instead of an orderly end.
  void reset();
  TestSocket accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool sendAll(const std::string& bytes);
  // What arrives until `bytes` bytes, or `lines` line feeds, are in, the peer closes or time is up.
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

#endif
