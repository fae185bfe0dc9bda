// Texts for InKorvane's Port parameter and what becomes of each: coil::stringTo into a short,
// then the port the component dials (the bound default 7003 when the conversion fails, else the
// short taken as unsigned). The conversion, the component in one process and the program as a
// user runs it are all checked against this one table.
#ifndef TESTS_PROGRAMS_PORTTEXTS_H
#define TESTS_PROGRAMS_PORTTEXTS_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace testsupport
{
  struct PortText
  {
    const char* name;
    const char* text;
    bool converts;
    short value;   // when it converts
    int dialledPort;
  };

  const PortText kPortTexts[] = {
    {"AboveSignedRange", "40000", false, 0, 7003},
    {"NoNumber", "abc", false, 0, 7003},
    {"TrailingCharacters", "7004xyz", true, 7004, 7004},
    {"Negative", "-1", true, -1, 65535},
  };

  inline void PrintTo(const PortText& port, std::ostream* out)
  {
    *out << '"' << port.text << '"';
  }

  // Names each instance of a test over kPortTexts after its row.
  inline std::string portTextName(const ::testing::TestParamInfo<PortText>& port)
  {
    return port.param.name;
  }
}

#endif
