#include "Session.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace
{
  constexpr int kSplitGreetingGapMs = 500;   // long enough for the first part to arrive on its own
  constexpr unsigned kSlowReplyMs = 5500;    // beyond the client's 5 s reply wait
}   // namespace

Session::Session(unsigned long number, int socket, const SimOptions& options,
                 const ReplySource& source, EventLog& log, int stopFd)
  : m_number(number), m_socket(socket), m_options(options), m_source(source), m_log(log),
    m_stopFd(stopFd)
{
  // Each reply leaves in its own segment at once, as a real server's would.
  const int on = 1;
  ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

Session::~Session()
{
  ::close(m_socket);
  note("SESSION", "CLOSED");
}

void Session::run()
{
  note("SESSION", "OPEN");
  if (m_options.fault == FaultMode::CloseAtOnce || !greet()) { return; }
  char bytes[4096];
  for (;;)
    {
      pollfd waits[2] = {{m_socket, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
      const int ready = ::poll(waits, 2, -1);
      if (ready < 0 && errno == EINTR) { continue; }
      if (ready < 0 || waits[1].revents != 0) { return; }
      const ssize_t count = ::recv(m_socket, bytes, sizeof bytes, 0);
      if (count < 0 && errno == EINTR) { continue; }
      if (count < 0)
        {
          note("RECV", std::string("ERROR ") + std::strerror(errno));
          return;
        }
      if (count == 0)
        {
          note("RECV", "EOF");
          return;
        }
      if (!handleBytes(bytes, static_cast<std::size_t>(count))) { return; }
    }
}

bool Session::handleBytes(const char* bytes, std::size_t count)
{
  std::string other;
  for (std::size_t index = 0; index <= count; ++index)
    {
      const bool atEnd = index == count;
      if (!atEnd && bytes[index] != '\n' && bytes[index] != 'Q')
        {
          other += bytes[index];
          continue;
        }
      if (!other.empty())
        {
          note("RECV", "OTHER " + EventLog::escape(other));
          other.clear();
        }
      if (atEnd) { break; }
      if (bytes[index] == 'Q')
        {
          note("RECV", "Q");
          return false;
        }
      note("RECV", "LF");
      if (!answerRequest()) { return false; }
    }
  return true;
}

bool Session::greet()
{
  switch (m_options.fault)
    {
    case FaultMode::NoGreeting: return true;
    case FaultMode::WrongGreeting: return send("hello\n");
    case FaultMode::SplitGreeting: return send("HEL") && pause(kSplitGreetingGapMs) && send("LO\n");
    default: return send("HELLO\n");
    }
}

bool Session::answerRequest()
{
  if (m_options.fault == FaultMode::NoReply) { return true; }
  const unsigned delayMs = m_options.fault == FaultMode::SlowReply
                             ? std::max(m_options.delayMs, kSlowReplyMs)
                             : m_options.delayMs;
  return pause(static_cast<int>(delayMs)) && send(nextReply());
}

std::string Session::nextReply()
{
  ++m_replies;
  if (m_options.fault == FaultMode::OversizedReply)
    {
      static const std::string kPattern = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
      std::string bytes;
      while (bytes.size() < m_options.oversizedBytes)
        {
          bytes += kPattern.substr(0, m_options.oversizedBytes - bytes.size());
        }
      return bytes;
    }
  std::string text = m_source.reply(m_replies);
  if (m_options.fault == FaultMode::ZeroByteReply)
    {
      if (!text.empty() && text.back() == '\n') { text.pop_back(); }
      text += std::string("\0 after-zero\n", 13);
    }
  return text;
}

bool Session::send(const std::string& bytes)
{
  std::size_t sent = 0;
  while (sent < bytes.size())
    {
      // MSG_NOSIGNAL: a client that has vanished must not kill the server with SIGPIPE.
      const ssize_t count =
        ::send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (count < 0 && errno == EINTR) { continue; }
      if (count < 0)
        {
          note("SEND", std::string("ERROR ") + std::strerror(errno));
          return false;
        }
      sent += static_cast<std::size_t>(count);
    }
  note("SENT", EventLog::escape(bytes));
  return true;
}

bool Session::pause(int ms)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;)
    {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) { return true; }
      pollfd stop{m_stopFd, POLLIN, 0};
      const int ready = ::poll(&stop, 1, static_cast<int>(left.count()));
      if (ready > 0 || (ready < 0 && errno != EINTR)) { return false; }
    }
}

void Session::note(const char* kind, const std::string& detail)
{
  m_log.event(std::string(kind) + " " + std::to_string(m_number) + " " + detail);
}
