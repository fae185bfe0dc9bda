// The arguments of one rtctl subcommand: positionals and options.
#ifndef RTCTL_ARGUMENTS_H
#define RTCTL_ARGUMENTS_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rtctl
{
  struct Arguments
  {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;   // option -> its values, in order
    bool help = false;

    // The last value of `option`, or `fallback`.
    std::string option(const std::string& option,
                       const std::string& fallback = std::string()) const;
    // Whether the flag (an option without a value) was given.
    bool flag(const std::string& name) const { return options.count(name) != 0; }
  };

  // Options named in `valueOptions` take the next word as their value, those in `flags` none;
  // "-h"/"--help" ask for help; "--" ends the options. Any other word starting with '-' (and
  // not a negative number) is a usage error naming `command`.
  Arguments parseArguments(const std::vector<std::string>& words,
                           const std::set<std::string>& valueOptions, const std::string& command,
                           const std::set<std::string>& flags = {});

  // Seconds as a positive number, e.g. for --timeout; throws a usage error otherwise.
  double parseSeconds(const std::string& text, const std::string& option);
  // A whole number from 1 on, e.g. for --count; throws a usage error otherwise.
  unsigned long parseCount(const std::string& text, const std::string& option);
}

#endif
