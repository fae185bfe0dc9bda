#ifndef POSITION_SERVER_SIM_SESSION_H
#define POSITION_SERVER_SIM_SESSION_H

#include <cstddef>
#include <string>

#include "EventLog.h"
#include "ReplySource.h"
#include "SimOptions.h"

// One client connection, served on its own thread: greeting, one reply per line feed, "Q" ends it.
// The fault mode decides where it departs from that. It ends early when the stop descriptor
// becomes readable.
class Session
{
public:
  Session(unsigned long number, int socket, const SimOptions& options, const ReplySource& source,
          EventLog& log, int stopFd);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void run();

private:
  bool greet();
  // Handles what one receive brought; false when the session is to end.
  bool handleBytes(const char* bytes, std::size_t count);
  bool answerRequest();
  std::string nextReply();
  bool send(const std::string& bytes);
  // Waits `ms` milliseconds; false when a stop came first.
  bool pause(int ms);
  // "<kind> <session number> <detail>", to the event log.
  void note(const char* kind, const std::string& detail);

  unsigned long m_number;
  int m_socket;
  const SimOptions& m_options;
  const ReplySource& m_source;
  EventLog& m_log;
  int m_stopFd;
  unsigned long m_replies = 0;
};

#endif
