#include "SessionServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Session.h"

SessionServer::SessionServer(const SimOptions& options, const ReplySource& source, EventLog& log,
                             int stopFd)
  : m_options(options), m_source(source), m_log(log), m_stopFd(stopFd)
{
}

SessionServer::~SessionServer()
{
  joinSessions(true);
  if (m_listenSocket >= 0) { ::close(m_listenSocket); }
}

int SessionServer::run()
{
  if (!listen()) { return 1; }
  while (m_options.maxSessions == 0 || m_accepted < m_options.maxSessions)
    {
      pollfd waits[2] = {{m_listenSocket, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
      if (::poll(waits, 2, -1) < 0)
        {
          if (errno == EINTR) { continue; }
          m_log.event(std::string("POLL ERROR ") + std::strerror(errno));
          break;
        }
      if (waits[1].revents != 0)
        {
          m_log.event("STOP");
          break;
        }
      const int socket = ::accept4(m_listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
      if (socket < 0)
        {
          // Aborted handshakes and interruptions are routine; anything else is worth a line.
          if (errno != EINTR && errno != ECONNABORTED && errno != EAGAIN)
            {
              m_log.event(std::string("ACCEPT ERROR ") + std::strerror(errno));
            }
          continue;
        }
      joinSessions(false);
      startSession(socket);
    }
  ::close(m_listenSocket);
  m_listenSocket = -1;
  joinSessions(true);
  return 0;
}

bool SessionServer::listen()
{
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(m_options.port);
  ::inet_pton(AF_INET, m_options.host.c_str(), &address.sin_addr);

  const std::string where = m_options.host + ":" + std::to_string(m_options.port);
  m_listenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  if (m_listenSocket < 0 ||
      ::setsockopt(m_listenSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(m_listenSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listenSocket, SOMAXCONN) != 0)
    {
      m_log.say("PositionServerSim: cannot listen on " + where + ": " + std::strerror(errno));
      return false;
    }
  socklen_t length = sizeof address;
  ::getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&address), &length);
  m_log.say("PositionServerSim listening on " + m_options.host + ":" +
            std::to_string(ntohs(address.sin_port)));
  return true;
}

void SessionServer::startSession(int socket)
{
  auto running = std::make_unique<Running>();
  Running* state = running.get();
  const unsigned long number = ++m_accepted;
  state->thread = std::thread([this, state, number, socket] {
    {
      Session session(number, socket, m_options, m_source, m_log, m_stopFd);
      session.run();
    }
    state->done.store(true, std::memory_order_release);
  });
  m_sessions.push_back(std::move(running));
}

void SessionServer::joinSessions(bool all)
{
  auto over = [all](const std::unique_ptr<Running>& running) {
    return all || running->done.load(std::memory_order_acquire);
  };
  for (auto& running : m_sessions)
    {
      if (over(running)) { running->thread.join(); }
    }
  m_sessions.erase(std::remove_if(m_sessions.begin(), m_sessions.end(), over), m_sessions.end());
}
