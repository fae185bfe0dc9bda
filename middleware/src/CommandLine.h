// The manager's command line: -f FILE, -o key:value (repeatable), -p PORT, -a, -d.
#ifndef RTM_SRC_COMMANDLINE_H
#define RTM_SRC_COMMANDLINE_H

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace RTC
{
  struct CommandLine
  {
    std::string configFile;                                       // -f
    std::vector<std::pair<std::string, std::string>> overrides;   // -o, in order
    std::string endpointPort;                                     // -p
  };

  // False with a one-line `error` on an unknown option, a missing argument or a malformed -o.
  bool parseCommandLine(int argc, char** argv, CommandLine& result, std::string& error);

  // The manager's configuration: built-in defaults, then the file (-f, else RTC_MANAGER_CONFIG,
  // else ./rtc.conf when present), then -o and -p. False with `error` when a named file is
  // missing or unreadable.
  bool buildManagerConfig(const CommandLine& commandLine, coil::Properties& config,
                          std::string& error);

  // Reads a whole properties file; false with `error` naming the file and line.
  bool loadPropertiesFile(const std::string& path, coil::Properties& into, std::string& error);
}

#endif
