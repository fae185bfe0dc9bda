// Text conversions used for configuration parameters.
#ifndef COIL_STRINGUTIL_H
#define COIL_STRINGUTIL_H

#include <sstream>
#include <string>

namespace coil
{
  // Converts a text into `val` with stream extraction: leading blanks are skipped, trailing text
  // is ignored, and a null text, a failed extraction or an out-of-range number yields false.
  template <typename To> bool stringTo(To& val, const char* str)
  {
    if (str == 0) { return false; }
    std::stringstream s;
    if ((s << str).fail()) { return false; }
    if ((s >> val).fail()) { return false; }
    return true;
  }

  // A text parameter takes the whole text, blanks included.
  template <> inline bool stringTo<std::string>(std::string& val, const char* str)
  {
    if (str == 0) { return false; }
    val = str;
    return true;
  }
}

#endif
