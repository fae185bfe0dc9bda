#ifndef POSITION_SERVER_SIM_EVENTLOG_H
#define POSITION_SERVER_SIM_EVENTLOG_H

#include <cstdio>
#include <mutex>
#include <string>

// Reports what the server does: every event to standard error, and to the --log file when one is
// open, one flushed line each. Safe to use from all session threads.
class EventLog
{
public:
  EventLog() = default;
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Appends to the file; false with a one-line reason in `error` when it cannot be opened.
  bool openFile(const std::string& path, std::string& error);

  void event(const std::string& line);

  // A line for standard error only, as it is.
  void say(const std::string& line);

  // Bytes as one printable line: line feed as \n, backslash as \\, other bytes outside
  // printable ASCII as \xHH.
  static std::string escape(const std::string& bytes);

private:
  std::mutex m_mutex;
  std::FILE* m_file = nullptr;
};

#endif
