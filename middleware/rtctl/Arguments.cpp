#include "Arguments.h"

#include "ToolError.h"

#include <cctype>
#include <cstdlib>

namespace rtctl
{
  std::string Arguments::option(const std::string& name, const std::string& fallback) const
  {
    auto found = options.find(name);
    return found == options.end() || found->second.empty() ? fallback : found->second.back();
  }

  Arguments parseArguments(const std::vector<std::string>& words,
                           const std::set<std::string>& valueOptions, const std::string& command,
                           const std::set<std::string>& flags)
  {
    Arguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i)
      {
        const std::string& word = words[i];
        const bool looksLikeOption = !optionsEnded && word.size() > 1 && word[0] == '-' &&
                                     !std::isdigit(static_cast<unsigned char>(word[1]));
        if (!looksLikeOption)
          {
            result.positional.push_back(word);
            continue;
          }
        if (word == "--") { optionsEnded = true; }
        else if (word == "-h" || word == "--help") { result.help = true; }
        else if (valueOptions.count(word) != 0)
          {
            if (i + 1 >= words.size())
              {
                throw ToolError(command + ": option " + word + " needs a value", true);
              }
            result.options[word].push_back(words[++i]);
          }
        else if (flags.count(word) != 0) { result.options[word]; }
        else { throw ToolError(command + ": unknown option '" + word + "'", true); }
      }
    return result;
  }

  double parseSeconds(const std::string& text, const std::string& option)
  {
    char* end = nullptr;
    double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(seconds > 0.0) || seconds > 86400.0)
      {
        throw ToolError(option + " needs a number of seconds, got '" + text + "'", true);
      }
    return seconds;
  }

  unsigned long parseCount(const std::string& text, const std::string& option)
  {
    char* end = nullptr;
    const unsigned long long count = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' ||
        count < 1 || count > 1000000000ULL)
      {
        throw ToolError(option + " needs a whole number from 1 on, got '" + text + "'", true);
      }
    return static_cast<unsigned long>(count);
  }
}
