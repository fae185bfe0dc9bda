#include "WakeSignal.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>

namespace RTC
{
  namespace
  {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t),
                  "the futex word must be a plain 32-bit word");

    std::uint32_t* word(std::atomic<std::uint32_t>& value)
    {
      return reinterpret_cast<std::uint32_t*>(&value);
    }

    // FUTEX_WAIT_BITSET takes an absolute time on CLOCK_MONOTONIC, the clock of steady_clock.
    void futexWait(std::atomic<std::uint32_t>& value, std::uint32_t expected,
                   const timespec* deadline)
    {
      (void)::syscall(SYS_futex, word(value), FUTEX_WAIT_BITSET_PRIVATE, expected, deadline,
                      nullptr, FUTEX_BITSET_MATCH_ANY);
    }
  }

  void WakeSignal::wakeAll()
  {
    m_word.fetch_add(1);
    (void)::syscall(SYS_futex, word(m_word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
  }

  void WakeSignal::sleepUntil(std::uint32_t token, std::chrono::steady_clock::time_point deadline)
  {
    const auto sinceEpoch = deadline.time_since_epoch();
    if (sinceEpoch.count() <= 0) { return; }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    timespec absolute{};
    absolute.tv_sec = static_cast<time_t>(seconds.count());
    absolute.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds).count());
    futexWait(m_word, token, &absolute);
  }

  void WakeSignal::sleep(std::uint32_t token)
  {
    futexWait(m_word, token, nullptr);
  }
}
