#include "ChainOutput.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport
{
  namespace
  {
    std::string unescape(const std::string& text)
    {
      std::string bytes;
      for (std::size_t i = 0; i < text.size(); ++i)
        {
          if (text[i] != '\\' || i + 1 >= text.size())
            {
              bytes += text[i];
              continue;
            }
          char next = text[++i];
          if (next == 'n') { bytes += '\n'; }
          else if (next == 'x' && i + 2 < text.size())
            {
              bytes += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
              i += 2;
            }
          else { bytes += next; }
        }
      return bytes;
    }
  }

  std::vector<std::string> sentReplies(const std::string& log, int session)
  {
    std::vector<std::string> replies;
    std::istringstream lines(log);
    std::string line;
    const std::string prefix = "SENT " + std::to_string(session) + " ";
    bool greeting = true;   // the session's first SENT is the greeting
    while (std::getline(lines, line))
      {
        if (line.compare(0, prefix.size(), prefix) != 0) { continue; }
        if (!greeting) { replies.push_back(unescape(line.substr(prefix.size()))); }
        greeting = false;
      }
    return replies;
  }

  std::vector<std::string> printedValues(const std::string& consumerOutput)
  {
    // Each value is "receive data : \n" + text + "\n"; texts may hold line feeds themselves.
    const std::string heading = "receive data : \n";
    std::vector<std::string> values;
    std::size_t at = consumerOutput.find(heading);
    while (at != std::string::npos)
      {
        std::size_t start = at + heading.size();
        std::size_t next = consumerOutput.find(heading, start);
        std::string value = consumerOutput.substr(
          start, next == std::string::npos ? std::string::npos : next - start);
        if (!value.empty() && value.back() == '\n') { value.pop_back(); }
        values.push_back(value);
        at = next;
      }
    return values;
  }

  std::vector<std::string> publishedValues(const std::string& producerOutput)
  {
    const std::string start = "LOG OUTPUT START\n";
    const std::string end = "LOG OUTPUT END\n";
    std::vector<std::string> values;
    for (std::size_t at = producerOutput.find(start); at != std::string::npos;
         at = producerOutput.find(start, at + 1))
      {
        std::size_t stop = producerOutput.find(end, at + start.size());
        if (stop == std::string::npos) { break; }
        values.push_back(producerOutput.substr(at + start.size(), stop - at - start.size()));
      }
    return values;
  }

  bool isRunOf(const std::vector<std::string>& values, const std::string& text, std::size_t count)
  {
    for (std::size_t first = 0; first + count <= values.size(); ++first)
      {
        std::string run;
        for (std::size_t i = first; i < first + count; ++i) { run += values[i]; }
        if (run == text) { return true; }
      }
    return false;
  }

  std::size_t countOf(const std::string& text, const std::string& part)
  {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size()))
      {
        ++count;
      }
    return count;
  }

  std::vector<std::string> linesOf(const std::string& text)
  {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) { lines.push_back(line); }
    return lines;
  }

  std::string readFile(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
}
