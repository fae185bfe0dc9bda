// The one trim, lower-case and split of the middleware and rtctl.
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
}
