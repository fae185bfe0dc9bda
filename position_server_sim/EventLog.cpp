#include "EventLog.h"

EventLog::~EventLog()
{
  if (m_file != nullptr) { std::fclose(m_file); }
}

bool EventLog::openFile(const std::string& path, std::string& error)
{
  m_file = std::fopen(path.c_str(), "a");
  if (m_file == nullptr)
    {
      error = "--log cannot open '" + path + "' for appending";
      return false;
    }
  return true;
}

void EventLog::event(const std::string& line)
{
  std::lock_guard<std::mutex> lock(m_mutex);
  // The file first: whoever sees the line on standard error may read the file at once.
  if (m_file != nullptr)
    {
      std::fprintf(m_file, "%s\n", line.c_str());
      std::fflush(m_file);
    }
  std::fprintf(stderr, "PositionServerSim: %s\n", line.c_str());
}

void EventLog::say(const std::string& line)
{
  std::lock_guard<std::mutex> lock(m_mutex);
  std::fprintf(stderr, "%s\n", line.c_str());
}

std::string EventLog::escape(const std::string& bytes)
{
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes)
    {
      const auto byte = static_cast<unsigned char>(c);
      if (byte == '\n') { text += "\\n"; }
      else if (byte == '\\') { text += "\\\\"; }
      else if (byte >= 0x20 && byte < 0x7F) { text += c; }
      else
        {
          text += "\\x";
          text += kHex[byte >> 4];
          text += kHex[byte & 0x0F];
        }
    }
  return text;
}
