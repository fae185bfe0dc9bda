// Running ProbeComp (and other small manager programs) as child processes and reading their
// output line by line.
#ifndef TESTS_MIDDLEWARE_PROBEPROCESS_H
#define TESTS_MIDDLEWARE_PROBEPROCESS_H

#include <ChainOutput.h>
#include <ChildProcess.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport
{
  // Generous: sanitizer builds on a loaded machine start slowly.
  const std::chrono::milliseconds probeTimeout(std::chrono::seconds(20));

  // ProbeComp without the naming service, then `arguments`.
  inline std::unique_ptr<ChildProcess>
  startProbe(const std::vector<std::string>& arguments,
             const std::map<std::string, std::string>& environment = {},
             const std::string& workingDirectory = std::string())
  {
    std::vector<std::string> all = {"-o", "naming.enable:NO"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return std::unique_ptr<ChildProcess>(
      new ChildProcess(PROBE_COMP_PATH, all, environment, workingDirectory));
  }

  // Index of the first line that starts with `prefix`, or -1.
  inline long lineStarting(const std::vector<std::string>& lines, const std::string& prefix)
  {
    for (std::size_t i = 0; i < lines.size(); ++i)
      {
        if (lines[i].compare(0, prefix.size(), prefix) == 0) { return static_cast<long>(i); }
      }
    return -1;
  }

  // The word after "key=" on the first line starting with `prefix`, or "".
  inline std::string fieldOf(const std::vector<std::string>& lines, const std::string& prefix,
                             const std::string& key)
  {
    long index = lineStarting(lines, prefix);
    if (index < 0) { return std::string(); }
    const std::string& line = lines[static_cast<std::size_t>(index)];
    std::string::size_type at = line.find(" " + key + "=");
    if (at == std::string::npos) { return std::string(); }
    at += key.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
  }
}

#endif
