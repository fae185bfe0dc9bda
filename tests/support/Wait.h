// Bounded waits for the tests: how long a test waits for something that should happen, and a
// loop that polls until it has.
#ifndef TESTS_SUPPORT_WAIT_H
#define TESTS_SUPPORT_WAIT_H

#include <chrono>
#include <thread>

namespace testsupport
{
  // Generous: the sanitizer passes run many processes at once on two cores.
  const std::chrono::seconds kPatience(30);

  // Asks `condition` every `interval` until it holds (true) or `timeout` has passed (false).
  template <typename Condition>
  bool waitUntil(Condition&& condition, std::chrono::milliseconds timeout = kPatience,
                 std::chrono::milliseconds interval = std::chrono::milliseconds(20))
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition())
      {
        if (std::chrono::steady_clock::now() >= deadline) { return false; }
        std::this_thread::sleep_for(interval);
      }
    return true;
  }
}

#endif
