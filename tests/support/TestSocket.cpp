#include "TestSocket.h"

#include "Wait.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace testsupport
{
  namespace
  {
    sockaddr_in loopback(unsigned short port)
    {
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(port);
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      return address;
    }

    bool bindTo(const TestSocket& socket, unsigned short port)
    {
      const sockaddr_in address = loopback(port);
      return ::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    TestSocket newSocket()
    {
      return TestSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    }

    // A socket bound to a free port below 32768, and listening if `listening`. Bound without
    // SO_REUSEADDR, so that it never shares a port with another test's.
    TestSocket bindLowPort(unsigned short& port, bool listening)
    {
      std::random_device seed;
      std::mt19937 generator(seed());
      std::uniform_int_distribution<int> range(20000, 32767);
      for (int attempt = 0; attempt < 200; ++attempt)
        {
          TestSocket socket = newSocket();
          const auto candidate = static_cast<unsigned short>(range(generator));
          if (bindTo(socket, candidate) && (!listening || ::listen(socket.fd(), 16) == 0))
            {
              port = candidate;
              return socket;
            }
        }
      throw std::runtime_error("no free port below 32768");
    }

    bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline)
    {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
      pollfd entry{fd, POLLIN, 0};
      return ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0))) > 0;
    }
  }

  TestSocket& TestSocket::operator=(TestSocket&& other) noexcept
  {
    if (this != &other)
      {
        close();
        std::swap(m_fd, other.m_fd);
      }
    return *this;
  }

  TestSocket TestSocket::connectTo(unsigned short port)
  {
    TestSocket socket = newSocket();
    const sockaddr_in address = loopback(port);
    if (::connect(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
      {
        socket.close();
      }
    return socket;
  }

  TestSocket TestSocket::listenAnyPort(unsigned short& port)
  {
    TestSocket socket = newSocket();
    sockaddr_in address{};
    socklen_t length = sizeof address;
    bindTo(socket, 0);
    ::listen(socket.m_fd, 8);
    ::getsockname(socket.m_fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return socket;
  }

  TestSocket TestSocket::listenLowPort(unsigned short& port)
  {
    return bindLowPort(port, true);
  }

  TestSocket TestSocket::listenOn(unsigned short port, std::chrono::milliseconds patience)
  {
    TestSocket socket;
    waitUntil(
      [&] {
        socket = newSocket();
        const int yes = 1;
        ::setsockopt(socket.m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (bindTo(socket, port) && ::listen(socket.m_fd, 16) == 0) { return true; }
        socket.close();
        return false;
      },
      patience, std::chrono::milliseconds(200));
    return socket;
  }

  void TestSocket::close()
  {
    if (m_fd >= 0)
      {
        ::close(m_fd);
        m_fd = -1;
      }
  }

  void TestSocket::reset()
  {
    const linger abort{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close();
  }

  TestSocket TestSocket::accept(std::chrono::milliseconds timeout)
  {
    if (!waitReadable(m_fd, std::chrono::steady_clock::now() + timeout)) { return TestSocket(); }
    return TestSocket(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC));
  }

  bool TestSocket::sendAll(const std::string& bytes)
  {
    std::size_t sent = 0;
    while (sent < bytes.size())
      {
        const ssize_t count = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) { return false; }
        sent += static_cast<std::size_t>(count);
      }
    return true;
  }

  std::string TestSocket::receive(std::size_t bytes, std::chrono::milliseconds timeout)
  {
    return receiveWhile(
      [](const std::string& got, std::size_t limit) { return got.size() < limit; }, bytes, timeout);
  }

  std::string TestSocket::receiveLines(std::size_t lines, std::chrono::milliseconds timeout)
  {
    return receiveWhile(
      [](const std::string& got, std::size_t limit) {
        return static_cast<std::size_t>(std::count(got.begin(), got.end(), '\n')) < limit;
      },
      lines, timeout);
  }

  bool TestSocket::waitForClose(std::chrono::milliseconds timeout)
  {
    bool closed = false;
    receiveWhile([](const std::string&, std::size_t) { return true; }, 0, timeout, &closed);
    return closed;
  }

  std::string TestSocket::receiveWhile(bool (*more)(const std::string&, std::size_t),
                                       std::size_t limit, std::chrono::milliseconds timeout,
                                       bool* closed)
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string received;
    // One byte at a time, so nothing beyond what was asked for is taken from the stream.
    char byte = 0;
    while (more(received, limit) && waitReadable(m_fd, deadline))
      {
        const ssize_t count = ::recv(m_fd, &byte, 1, 0);
        if (count <= 0)
          {
            if (closed != nullptr) { *closed = true; }
            break;
          }
        received += byte;
      }
    return received;
  }

  ReservedPort::ReservedPort()
  {
    unsigned short port = 0;
    m_socket = bindLowPort(port, false);
    m_number = port;
    // Set after binding: a server that sets it too may now share the port, another reservation
    // may not.
    const int yes = 1;
    ::setsockopt(m_socket.fd(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  }

  int freeLoopbackPort()
  {
    unsigned short port = 0;
    TestSocket::listenAnyPort(port);
    return port;
  }
}
