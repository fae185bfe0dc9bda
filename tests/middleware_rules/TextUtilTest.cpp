// The one trim, lower-case, split and yes/no of the middleware and rtctl.
#include "TextUtil.h"

#include <gtest/gtest.h>

namespace
{
  using Items = std::vector<std::string>;

  TEST(TextUtil, TrimTakesBlanksAndLineEndsFromBothEndsOnly)
  {
    EXPECT_EQ(RTC::trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(RTC::trim("a"), "a");
    EXPECT_EQ(RTC::trim(" \t\r\n"), "");
    EXPECT_EQ(RTC::trim(""), "");
  }

  TEST(TextUtil, ToLowerChangesLettersOnly)
  {
    EXPECT_EQ(RTC::toLower("Do_Nothing-2 BIG"), "do_nothing-2 big");
    EXPECT_EQ(RTC::toLower(""), "");
  }

  TEST(TextUtil, SplitTrimsItemsAndDropsEmptyOnes)
  {
    EXPECT_EQ(RTC::split(" a ,, b:1 ,", ','), (Items{"a", "b:1"}));
    EXPECT_EQ(RTC::split("a&b=1& c ", '&'), (Items{"a", "b=1", "c"}));
    EXPECT_EQ(RTC::split("single", ','), (Items{"single"}));
    EXPECT_EQ(RTC::split("", ','), Items());
    EXPECT_EQ(RTC::split(" , ,", ','), Items());
  }

  // Any other spelling is neither.
  TEST(TextUtil, YesAndNoTakeThreeSpellingsEachAndNothingElse)
  {
    for (const char* yes : {"YES", "yes", "Yes"})
      {
        EXPECT_TRUE(RTC::isYes(yes)) << yes;
        EXPECT_FALSE(RTC::isNo(yes)) << yes;
      }
    for (const char* no : {"NO", "no", "No"})
      {
        EXPECT_TRUE(RTC::isNo(no)) << no;
        EXPECT_FALSE(RTC::isYes(no)) << no;
      }
    for (const char* other : {"", "yEs", " YES", "true", "1", "nO", "off"})
      {
        EXPECT_FALSE(RTC::isYes(other)) << other;
        EXPECT_FALSE(RTC::isNo(other)) << other;
      }
  }
}
