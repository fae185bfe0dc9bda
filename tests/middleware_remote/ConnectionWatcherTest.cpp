// When an in port gives up on a connection whose writer no longer answers for it.
#include "ConnectionWatcher.h"

#include <gtest/gtest.h>

#include <vector>

namespace RTC
{
  namespace
  {
    typedef ConnectionWatcher::Answer Answer;
    const Answer kListed{false, true, true};
    const Answer kNotListed{false, true, false};
    const Answer kGone{true, false, false};
    const Answer kNoAnswer{false, false, false};   // busy or hung: no verdict

    // The verdict after each answer in turn, on one connection.
    std::vector<bool> verdicts(const std::vector<Answer>& answers)
    {
      unsigned misses = 0;
      std::vector<bool> result;
      for (const Answer& answer : answers)
        {
          result.push_back(ConnectionWatcher::abandoned(answer, misses));
        }
      return result;
    }
  }

  TEST(ConnectionWatcherTest, DropsAtOnceOnlyAWriterThatIsGone)
  {
    EXPECT_EQ(std::vector<bool>{true}, verdicts({kGone}));
    EXPECT_EQ((std::vector<bool>{false, false, false}), verdicts({kListed, kNoAnswer, kListed}));
  }

  // A writer lists a connection only once its own connect has completed, just after ours.
  TEST(ConnectionWatcherTest, ForgivesOneMissButNotTwoInARow)
  {
    EXPECT_EQ((std::vector<bool>{false, true}), verdicts({kNotListed, kNotListed}));
    EXPECT_EQ((std::vector<bool>{false, false, false, true}),
              verdicts({kNotListed, kListed, kNotListed, kNotListed}));
    EXPECT_EQ((std::vector<bool>{false, false, false}),
              verdicts({kNotListed, kNoAnswer, kNotListed}));
  }
}
