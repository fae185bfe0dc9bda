#include "CommandLine.h"

#include "TextUtil.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace RTC
{
  namespace
  {
    const char* const kDefaults[][2] = {
      {"exec_cxt.periodic.rate", "1000"},
      {"naming.enable", "YES"},
      {"naming.formats", "%h.host_cxt/%n.rtc"},
      {"corba.nameservers", "localhost"},
      {"corba.endpoint", ""},
      {"manager.shutdown_nortcs", "YES"},
      {"logger.enable", "YES"},
      {"logger.log_level", "INFO"},
    };

    bool isRegularFile(const std::string& path)
    {
      struct stat info;
      return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    }
  }

  bool parseCommandLine(int argc, char** argv, CommandLine& result, std::string& error)
  {
    for (int i = 1; i < argc; ++i)
      {
        const std::string option = argv[i] != nullptr ? argv[i] : "";
        if (option == "-a" || option == "-d") { continue; }
        if (option == "-f" || option == "-o" || option == "-p")
          {
            if (i + 1 >= argc)
              {
                error = "option " + option + " needs an argument";
                return false;
              }
            const std::string argument = argv[++i];
            if (option == "-f") { result.configFile = argument; }
            else if (option == "-p")
              {
                char* end = nullptr;
                long port = std::strtol(argument.c_str(), &end, 10);
                if (argument.empty() || *end != '\0' || port < 0 || port > 65535)
                  {
                    error = "option -p needs a port number 0-65535, got '" + argument + "'";
                    return false;
                  }
                result.endpointPort = argument;
              }
            else
              {
                std::string::size_type colon = argument.find(':');
                if (colon == std::string::npos || colon == 0)
                  {
                    error = "option -o needs \"key:value\", got '" + argument + "'";
                    return false;
                  }
                std::string key = trim(argument.substr(0, colon));
                if (key.empty())
                  {
                    error = "option -o needs \"key:value\", got '" + argument + "'";
                    return false;
                  }
                result.overrides.emplace_back(key, trim(argument.substr(colon + 1)));
              }
            continue;
          }
        error = "unknown option '" + option +
                "' (usage: [-f FILE] [-o key:value]... [-p PORT] [-a] [-d])";
        return false;
      }
    return true;
  }

  bool loadPropertiesFile(const std::string& path, coil::Properties& into, std::string& error)
  {
    if (!isRegularFile(path))
      {
        error = "configuration file '" + path + "' does not exist";
        return false;
      }
    std::ifstream in(path);
    if (!in)
      {
        error = "configuration file '" + path + "' cannot be read";
        return false;
      }
    std::string lineError;
    if (!into.load(in, lineError))
      {
        error = "configuration file '" + path + "': " + lineError;
        return false;
      }
    return true;
  }

  bool buildManagerConfig(const CommandLine& commandLine, coil::Properties& config,
                          std::string& error)
  {
    for (const auto& entry : kDefaults) { config.setProperty(entry[0], entry[1]); }

    std::string file = commandLine.configFile;
    if (file.empty())
      {
        const char* fromEnvironment = std::getenv("RTC_MANAGER_CONFIG");
        if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') { file = fromEnvironment; }
        else if (isRegularFile("./rtc.conf")) { file = "./rtc.conf"; }
      }
    if (!file.empty())
      {
        if (!loadPropertiesFile(file, config, error)) { return false; }
        config.setProperty("config_file.path", file);
      }

    for (const auto& entry : commandLine.overrides)
      {
        config.setProperty(entry.first, entry.second);
      }
    if (!commandLine.endpointPort.empty())
      {
        // -p picks the port; the host stays what corba.endpoint says (loopback by default).
        std::string endpoint = config.getProperty("corba.endpoint");
        std::string::size_type colon = endpoint.rfind(':');
        std::string host = colon == std::string::npos ? endpoint : endpoint.substr(0, colon);
        config.setProperty("corba.endpoint", host + ":" + commandLine.endpointPort);
      }
    return true;
  }
}
