#include "Log.h"

#include "TextUtil.h"

#include <atomic>
#include <cstdio>

namespace RTC
{
  namespace Log
  {
    namespace
    {
      std::atomic<int> g_threshold(Info);
      std::atomic<bool> g_enabled(true);

      const char* levelName(Level level)
      {
        switch (level)
          {
          case Error: return "ERROR";
          case Warn: return "WARNING";
          case Info: return "INFO";
          default: return "DEBUG";
          }
      }
    }

    void configure(bool enabledFlag, const std::string& name)
    {
      const std::string level = toLower(name);
      int threshold = Info;
      if (level == "silent") { threshold = -1; }
      else if (level == "fatal" || level == "error") { threshold = Error; }
      else if (level == "warn" || level == "warning") { threshold = Warn; }
      else if (level == "info" || level.empty()) { threshold = Info; }
      else { threshold = Debug; }   // DEBUG, TRACE, VERBOSE, PARANOID
      g_threshold = threshold;
      g_enabled = enabledFlag;
    }

    bool enabled(Level level)
    {
      // Errors are shown even with the logger off: they explain why a process stops.
      if (level == Error) { return g_threshold >= Error; }
      return g_enabled && static_cast<int>(level) <= g_threshold;
    }

    void write(Level level, const std::string& message)
    {
      if (!enabled(level)) { return; }
      // One fprintf per line keeps lines from different threads whole.
      std::fprintf(stderr, "[rtm %s] %s\n", levelName(level), message.c_str());
      std::fflush(stderr);
    }
  }
}
