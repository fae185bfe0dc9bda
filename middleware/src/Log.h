// The middleware's own diagnostics: one line each on standard error, with a level.
// Standard output belongs to the components.
#ifndef RTM_SRC_LOG_H
#define RTM_SRC_LOG_H

#include <string>

namespace RTC
{
  namespace Log
  {
    enum Level
    {
      Error = 0,
      Warn = 1,
      Info = 2,
      Debug = 3
    };

    // From logger.enable and logger.log_level; accepts the usual level names.
    void configure(bool enabled, const std::string& levelName);
    bool enabled(Level level);
    void write(Level level, const std::string& message);

    inline void error(const std::string& message)
    {
      write(Error, message);
    }
    inline void warn(const std::string& message)
    {
      write(Warn, message);
    }
    inline void info(const std::string& message)
    {
      write(Info, message);
    }
    inline void debug(const std::string& message)
    {
      write(Debug, message);
    }
  }
}

#endif
