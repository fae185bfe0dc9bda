// The execution context's sleep: a wake is never lost between reading the token and sleeping,
// a wake from another thread ends a sleep, and a timed sleep does not end before its deadline
// (on the steady clock's time line).
#include "WakeSignal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace
{
  using Clock = std::chrono::steady_clock;

  // Runs `sleeper` on a thread and waits a bounded time for it to end; a sleeper that does not
  // end fails the test and is then woken until it does, so the test never hangs.
  bool endsWithin(
    RTC::WakeSignal& signal, const std::function<void()>& sleeper,
    const std::function<void()>& whileWaiting = [] {})
  {
    std::atomic<bool> done(false);
    std::thread thread([&] {
      sleeper();
      done = true;
    });
    whileWaiting();
    const auto limit = Clock::now() + std::chrono::seconds(5);
    while (!done && Clock::now() < limit)
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    const bool ended = done;
    while (!done) { signal.wakeAll(); }
    thread.join();
    return ended;
  }
}

TEST(WakeSignal, WakeAfterTheTokenWasReadIsNotLost)
{
  RTC::WakeSignal signal;
  const std::uint32_t token = signal.token();
  signal.wakeAll();
  EXPECT_NE(token, signal.token());
  EXPECT_TRUE(endsWithin(signal, [&] { signal.sleep(token); }));
  EXPECT_TRUE(
    endsWithin(signal, [&] { signal.sleepUntil(token, Clock::now() + std::chrono::hours(1)); }));
}

TEST(WakeSignal, WakeFromAnotherThreadEndsSleeps)
{
  RTC::WakeSignal signal;
  std::atomic<bool> sleeping(false);
  const auto wakeOnceAsleep = [&] {
    while (!sleeping) { std::this_thread::yield(); }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    signal.wakeAll();
  };
  EXPECT_TRUE(endsWithin(
    signal,
    [&] {
      const std::uint32_t token = signal.token();
      sleeping = true;
      signal.sleep(token);
    },
    wakeOnceAsleep));
  sleeping = false;
  EXPECT_TRUE(endsWithin(
    signal,
    [&] {
      const std::uint32_t token = signal.token();
      sleeping = true;
      signal.sleepUntil(token, Clock::now() + std::chrono::hours(1));
    },
    wakeOnceAsleep));
}

TEST(WakeSignal, TimedSleepLastsUntilItsDeadline)
{
  RTC::WakeSignal signal;
  for (const auto ahead : {std::chrono::milliseconds(1), std::chrono::milliseconds(30)})
    {
      const auto deadline = Clock::now() + ahead;
      // Nothing wakes it and no signal arrives, so it ends at the deadline, not before.
      EXPECT_TRUE(endsWithin(signal, [&] { signal.sleepUntil(signal.token(), deadline); }));
      EXPECT_GE(Clock::now(), deadline);
    }
  // A deadline already past returns at once.
  EXPECT_TRUE(endsWithin(
    signal, [&] { signal.sleepUntil(signal.token(), Clock::now() - std::chrono::seconds(1)); }));
}
