#ifndef POSITION_SERVER_SIM_SESSIONSERVER_H
#define POSITION_SERVER_SIM_SESSIONSERVER_H

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EventLog.h"
#include "ReplySource.h"
#include "SimOptions.h"

// Listens, accepts, and runs each session on a thread of its own until a stop arrives or
// --max-sessions have been accepted and are over.
class SessionServer
{
public:
  SessionServer(const SimOptions& options, const ReplySource& source, EventLog& log, int stopFd);
  ~SessionServer();
  SessionServer(const SessionServer&) = delete;
  SessionServer& operator=(const SessionServer&) = delete;

  // Serves until the end; returns the exit status (0, or 1 when it cannot listen).
  int run();

private:
  struct Running
  {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  bool listen();
  void startSession(int socket);
  // Joins the sessions that are over, or all of them.
  void joinSessions(bool all);

  const SimOptions& m_options;
  const ReplySource& m_source;
  EventLog& m_log;
  int m_stopFd;
  int m_listenSocket = -1;
  unsigned long m_accepted = 0;
  std::vector<std::unique_ptr<Running>> m_sessions;
};

#endif
