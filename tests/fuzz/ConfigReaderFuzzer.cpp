// Feeds arbitrary text to everything that reads configuration: configuration files, -o values
// and other command-line options, port and component names, and the text conversions.
// The first byte picks the reader, the rest is its input.
#include <coil/Properties.h>
#include <coil/stringutil.h>

#include "CommandLine.h"
#include "PortAddress.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace
{
  // Splits at zero bytes, the way a command line arrives.
  std::vector<std::string> splitArguments(const std::string& text)
  {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text)
      {
        if (c == '\0')
          {
            parts.push_back(current);
            current.clear();
          }
        else { current.push_back(c); }
      }
    parts.push_back(current);
    return parts;
  }

  void readPropertiesFile(const std::string& text)
  {
    coil::Properties properties;
    std::istringstream in(text);
    std::string error;
    if (properties.load(in, error))
      {
        for (const std::string& key : properties.propertyNames())
          {
            // Every key read back must be found again, also through its parent node.
            if (!properties.hasKey(key)) { __builtin_trap(); }
            std::string::size_type dot = key.find('.');
            if (dot != std::string::npos && dot > 0 &&
                properties.getNode(key.substr(0, dot)).getProperty(key.substr(dot + 1)) !=
                  properties.getProperty(key))
              {
                __builtin_trap();
              }
          }
      }
  }

  void readCommandLine(const std::string& text)
  {
    std::vector<std::string> arguments = splitArguments(text);
    arguments.insert(arguments.begin(), "fuzz");
    std::vector<char*> argv;
    for (std::string& argument : arguments) { argv.push_back(&argument[0]); }
    argv.push_back(nullptr);
    RTC::CommandLine commandLine;
    std::string error;
    if (RTC::parseCommandLine(static_cast<int>(arguments.size()), argv.data(), commandLine, error))
      {
        // Only the overrides: a -f file name from the input must not be opened.
        commandLine.configFile = "/dev/null";
        coil::Properties config;
        RTC::buildManagerConfig(commandLine, config, error);
      }
  }

  void readNames(const std::string& text)
  {
    std::vector<RTC::PreconnectEntry> entries;
    std::vector<RTC::ComponentAddress> components;
    RTC::PortAddress port;
    std::string error;
    RTC::parsePreconnect(text, entries, error);
    RTC::parseComponentList(text, components, error);
    RTC::parsePortAddress(text, port, error);
  }

  void convert(const std::string& text)
  {
    short shortValue = 0;
    long longValue = 0;
    double doubleValue = 0;
    unsigned short unsignedValue = 0;
    std::string textValue;
    coil::stringTo(shortValue, text.c_str());
    coil::stringTo(longValue, text.c_str());
    coil::stringTo(doubleValue, text.c_str());
    coil::stringTo(unsignedValue, text.c_str());
    if (!coil::stringTo(textValue, text.c_str()) || textValue != std::string(text.c_str()))
      {
        __builtin_trap();
      }
  }

  void buildTable(const std::string& text)
  {
    std::vector<std::string> cells = splitArguments(text);
    std::vector<const char*> table;
    for (const std::string& cell : cells) { table.push_back(cell.c_str()); }
    table.push_back("");
    table.push_back("");
    coil::Properties properties(table.data(), static_cast<long>(table.size()));
    (void)properties.size();
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size == 0) { return 0; }
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 5)
    {
    case 0: readPropertiesFile(text); break;
    case 1: readCommandLine(text); break;
    case 2: readNames(text); break;
    case 3: convert(text); break;
    default: buildTable(text); break;
    }
  return 0;
}
