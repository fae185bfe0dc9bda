// Texts as hex digits, so arbitrary bytes (line feeds, zero bytes) fit on one console line.
// Shared by the test programs that print what they receive and the tests that read it.
#ifndef TESTS_MIDDLEWARE_REMOTE_HEXTEXT_H
#define TESTS_MIDDLEWARE_REMOTE_HEXTEXT_H

#include <cstdlib>
#include <string>

namespace hextext
{
  inline std::string toHex(const std::string& text)
  {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text)
      {
        hex += digits[c >> 4];
        hex += digits[c & 15];
      }
    return hex;
  }

  inline std::string fromHex(const std::string& hex)
  {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      {
        text += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
      }
    return text;
  }
}

#endif
