// coil::Properties (profile tables, dotted keys, configuration files) and coil::stringTo.
#include <coil/Properties.h>
#include <coil/stringutil.h>
#include "PortTexts.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>

// Profile tables written `static const char* const profile[]` do not compile against the other
// back end, so they must not compile here either.
static_assert(!std::is_constructible<coil::Properties, const char* const*>::value,
              "a table of const pointers must be refused");

namespace
{
  coil::Properties loaded(const std::string& text)
  {
    coil::Properties properties;
    std::istringstream in(text);
    std::string error;
    EXPECT_TRUE(properties.load(in, error)) << error;
    return properties;
  }
}

TEST(PropertiesTable, StopsAtEmptyKeyAndTrimsBlanks)
{
  const char* table[] = {"type_name", "Probe",   " category ", " Test ",
                         "",          "ignored", "after",      "end"};
  coil::Properties profile(table);
  EXPECT_EQ(2u, profile.size());
  EXPECT_EQ("Probe", profile.getProperty("type_name"));
  EXPECT_EQ("Test", profile.getProperty("category"));
  EXPECT_FALSE(profile.hasKey("after"));
}

TEST(PropertiesTable, CountLimitsTheElementsRead)
{
  // No terminating empty key: the count alone bounds the table (keys and values both count).
  const char* table[] = {"a", "1", "b", "2", "c", "3"};
  EXPECT_EQ(3u, coil::Properties(table, 6).size());
  coil::Properties firstTwo(table, 4);
  EXPECT_EQ(2u, firstTwo.size());
  EXPECT_EQ("2", firstTwo.getProperty("b"));
  EXPECT_FALSE(firstTwo.hasKey("c"));
}

TEST(PropertiesKeys, DefaultsSetAndNodes)
{
  coil::Properties properties;
  EXPECT_EQ("", properties.getProperty("missing"));
  EXPECT_EQ("fallback", properties.getProperty("missing", "fallback"));
  EXPECT_EQ("", properties.setProperty("conf.default.Count", "5"));
  EXPECT_EQ("5", properties.setProperty("conf.default.Count", "7"));
  properties["conf.default.Label"] = "plain";
  properties["conf.fast.Count"] = "50";
  properties["conference"] = "not below conf";

  coil::Properties conf = properties.getNode("conf");
  EXPECT_EQ(3u, conf.size());
  EXPECT_EQ("7", conf.getProperty("default.Count"));
  coil::Properties defaults = conf.getNode("default");
  EXPECT_EQ(2u, defaults.size());
  EXPECT_EQ("plain", defaults.getProperty("Label"));
  EXPECT_EQ(0u, properties.getNode("con").size());
}

TEST(PropertiesLoad, CommentsSeparatorsAndContinuation)
{
  coil::Properties properties = loaded("# comment: not a key\n"
                                       "! also a comment\n"
                                       "\n"
                                       "  exec_cxt.periodic.rate : 100  \r\n"
                                       "naming.enable=NO\n"
                                       "corba.nameservers: localhost:2809\n"
                                       "formula = a=b\n"
                                       "manager.components.preconnect: A0.out?port=B0.in, \\\n"
                                       "    C0.out?port=D0.in\n"
                                       "empty.value:\n");
  EXPECT_EQ("100", properties.getProperty("exec_cxt.periodic.rate"));
  EXPECT_EQ("NO", properties.getProperty("naming.enable"));
  EXPECT_EQ("localhost:2809", properties.getProperty("corba.nameservers"));
  EXPECT_EQ("a=b", properties.getProperty("formula"));
  EXPECT_EQ("A0.out?port=B0.in, C0.out?port=D0.in",
            properties.getProperty("manager.components.preconnect"));
  EXPECT_TRUE(properties.hasKey("empty.value"));
  EXPECT_EQ(6u, properties.size());
}

TEST(PropertiesLoad, MalformedLineNamesTheLine)
{
  coil::Properties properties;
  std::istringstream in("good: 1\njust some words\n");
  std::string error;
  EXPECT_FALSE(properties.load(in, error));
  EXPECT_NE(std::string::npos, error.find("line 2")) << error;

  std::istringstream emptyKey(": value\n");
  EXPECT_FALSE(coil::Properties().load(emptyKey, error));
}

class StringToShort : public ::testing::TestWithParam<testsupport::PortText>
{
};

TEST_P(StringToShort, ConvertsWhatFitsInAShort)
{
  short value = 0;
  EXPECT_EQ(coil::stringTo(value, GetParam().text), GetParam().converts);
  if (GetParam().converts) { EXPECT_EQ(value, GetParam().value); }
}

INSTANTIATE_TEST_SUITE_P(PortTexts, StringToShort, ::testing::ValuesIn(testsupport::kPortTexts),
                         testsupport::portTextName);

TEST(StringTo, ShortFromText)
{
  short value = 0;
  EXPECT_TRUE(coil::stringTo(value, "7003"));
  EXPECT_EQ(7003, value);
  EXPECT_TRUE(coil::stringTo(value, " 12"));
  EXPECT_EQ(12, value);
  EXPECT_FALSE(coil::stringTo(value, ""));
  value = 9;
  EXPECT_FALSE(coil::stringTo(value, nullptr));
  EXPECT_EQ(9, value);
}

TEST(StringTo, TextAndDouble)
{
  std::string text = "old";
  EXPECT_TRUE(coil::stringTo(text, "  two words  "));
  EXPECT_EQ("  two words  ", text);
  EXPECT_TRUE(coil::stringTo(text, ""));
  EXPECT_EQ("", text);
  EXPECT_FALSE(coil::stringTo(text, nullptr));

  double number = 0.0;
  EXPECT_TRUE(coil::stringTo(number, "2.5e-3"));
  EXPECT_DOUBLE_EQ(0.0025, number);
  EXPECT_TRUE(coil::stringTo(number, " -4.25ms"));
  EXPECT_DOUBLE_EQ(-4.25, number);
  EXPECT_FALSE(coil::stringTo(number, "fast"));
}
