#include "TextUtil.h"

#include <algorithm>
#include <cctype>

namespace RTC
{
  std::string trim(const std::string& text)
  {
    const char* blanks = " \t\r\n";
    const std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos) { return std::string(); }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
  }

  std::string toLower(std::string text)
  {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
  }

  std::vector<std::string> split(const std::string& text, char separator)
  {
    std::vector<std::string> items;
    std::string::size_type begin = 0;
    while (begin <= text.size())
      {
        std::string::size_type end = text.find(separator, begin);
        if (end == std::string::npos) { end = text.size(); }
        const std::string item = trim(text.substr(begin, end - begin));
        if (!item.empty()) { items.push_back(item); }
        begin = end + 1;
      }
    return items;
  }

  bool isYes(const std::string& value)
  {
    return value == "YES" || value == "yes" || value == "Yes";
  }

  bool isNo(const std::string& value)
  {
    return value == "NO" || value == "no" || value == "No";
  }
}
