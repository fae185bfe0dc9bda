// The few text helpers the middleware and rtctl share: configuration values, name lists and
// connector properties are all trimmed and split the same way.
#ifndef RTM_RULES_TEXTUTIL_H
#define RTM_RULES_TEXTUTIL_H

#include <string>
#include <vector>

namespace RTC
{
  // Without the blanks (spaces, tabs, line ends) at either end.
  std::string trim(const std::string& text);
  // ASCII letters in lower case; everything else as it is.
  std::string toLower(std::string text);
  // Splits at `separator`, trims each item and drops the empty ones.
  std::vector<std::string> split(const std::string& text, char separator);
  // The spellings OpenRTM-aist's YES/NO options accept: all upper, all lower or capitalised.
  bool isYes(const std::string& value);
  bool isNo(const std::string& value);
}

#endif
