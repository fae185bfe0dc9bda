#include "PositionServerClient.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace
{
  constexpr int kNoSocket = -1;
  constexpr int kBufferSize =
    8192;   // at most one byte less is received, so it always ends in zero
  constexpr int kGreetingWaitMs = 3000;
  constexpr int kReplyWaitMs = 5000;
  constexpr int kDisconnectPauseMs = 3000;

  enum class Readiness
  {
    Ready,
    Failed,
    Expired
  };

  // poll() rather than select(): descriptor numbers above FD_SETSIZE are common in a process that
  // also runs an ORB. A signal does not cut the wait short; it goes on until the same deadline.
  Readiness waitReadable(int handle, int timeoutMs)
  {
    if (handle == kNoSocket) { return Readiness::Failed; }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd entry{handle, POLLIN, 0};
    for (;;)
      {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
        const int result = ::poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (result > 0)
          {
            return (entry.revents & POLLNVAL) != 0 ? Readiness::Failed : Readiness::Ready;
          }
        if (result == 0) { return Readiness::Expired; }
        if (errno != EINTR) { return Readiness::Failed; }
      }
  }
}   // namespace

PositionServerClient::PositionServerClient(std::ostream& console)
  : m_console(console), m_serverAddress(), m_socket(kNoSocket)
{
  // POSIX sockets need no start-up or clean-up of a socket layer.
}

PositionServerClient::~PositionServerClient()
{
  closeSocket();
}

bool PositionServerClient::connectServer(std::string address, unsigned short port)
{
  char buffer[kBufferSize] = {};
  std::memset(&m_serverAddress, 0, sizeof m_serverAddress);
  m_serverAddress.sin_family = AF_INET;
  m_serverAddress.sin_port = htons(port);
  // Dotted IPv4 only: anything else gives INADDR_NONE, and the connect below fails.
  m_serverAddress.sin_addr.s_addr = ::inet_addr(address.c_str());

  // A failed socket() leaves -1, which the connect reports like any other failure.
  const int handle = replaceSocket(::socket(AF_INET, SOCK_STREAM, 0));

  m_console << "Trying to connect to " << address.c_str() << ":" << port << " \n" << std::flush;
  if (::connect(handle, reinterpret_cast<const sockaddr*>(&m_serverAddress),
                sizeof m_serverAddress) != 0)
    {
      // The unconnected socket stays until disconnect or the next connectServer; a request sent
      // on it meanwhile fails quietly.
      m_console << "connect is error IP:" << address << " port:" << port << "\n" << std::flush;
      return false;
    }
  m_console << "waiting...\n" << std::flush;
  if (!waitForData(handle, kGreetingWaitMs) || !receiveOnce(handle, buffer)) { return false; }
  // One receive only: a greeting split before its fifth byte is not accepted.
  if (std::memcmp(buffer, "HELLO", 5) == 0)
    {
      m_console << "Find HELLO\n" << std::flush;
      return true;
    }
  m_console << "Not Find\n" << std::flush;
  return false;
}

bool PositionServerClient::sendText(std::string text)
{
  // MSG_NOSIGNAL: a server that has gone away must not take the whole process down with SIGPIPE.
  std::lock_guard<std::mutex> lock(m_socketMutex);
  const int handle = m_socket.load();
  if (handle != kNoSocket) { (void)::send(handle, text.data(), text.size(), MSG_NOSIGNAL); }
  return true;
}

std::string PositionServerClient::receiveText()
{
  char buffer[kBufferSize] = {};
  const int handle = currentSocket();
  if (waitForData(handle, kReplyWaitMs)) { receiveOnce(handle, buffer); }
  return std::string(buffer);
}

void PositionServerClient::disconnect()
{
  closeSocket();
  std::this_thread::sleep_for(std::chrono::milliseconds(kDisconnectPauseMs));
}

bool PositionServerClient::waitForData(int handle, int timeoutMs)
{
  switch (waitReadable(handle, timeoutMs))
    {
    case Readiness::Ready: m_console << "data receive now\n" << std::flush; return true;
    case Readiness::Expired:
      // The same text for the 3 s greeting wait as for the 5 s reply wait.
      m_console << "5 seconds time out\n" << std::flush;
      return false;
    case Readiness::Failed: break;
    }
  m_console << "select ERROR\n" << std::flush;
  return false;
}

bool PositionServerClient::receiveOnce(int handle, char* buffer)
{
  if (::recv(handle, buffer, kBufferSize - 1, 0) > 0) { return true; }
  m_console << "recv ERORR !!\n" << std::flush;
  closeSocket();
  return false;
}

int PositionServerClient::currentSocket()
{
  return m_socket.load();
}

int PositionServerClient::replaceSocket(int handle)
{
  std::lock_guard<std::mutex> lock(m_socketMutex);
  const int previous = m_socket.exchange(handle);
  if (previous != kNoSocket) { ::close(previous); }
  return handle;
}

void PositionServerClient::closeSocket()
{
  replaceSocket(kNoSocket);
}
