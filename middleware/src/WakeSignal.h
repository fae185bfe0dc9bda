// A wake-up word one thread sleeps on and others bump: the execution context's sleep between
// cycles. Unlike a condition variable it needs no mutex held across the sleep, so coming back
// from a timed-out sleep costs the one system call of the sleep itself (a condition variable
// leaves its mutex marked contended, and the next unlock makes a second call every cycle).
//
// Use: read token(), check under your own lock that there is nothing to do, release the lock,
// then sleepUntil(token, deadline). A wakeAll() after token() was read makes the sleep return
// at once, so a wake cannot fall between the check and the sleep.
#ifndef RTM_SRC_WAKESIGNAL_H
#define RTM_SRC_WAKESIGNAL_H

#include <atomic>
#include <chrono>
#include <cstdint>

namespace RTC
{
  class WakeSignal
  {
  public:
    WakeSignal() = default;
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    std::uint32_t token() const { return m_word.load(); }
    // Ends every sleep on a token read before this call.
    void wakeAll();
    // Returns at the deadline, on a wake, when the token is stale already, or spuriously; the
    // caller checks its own state again either way.
    void sleepUntil(std::uint32_t token, std::chrono::steady_clock::time_point deadline);
    // The same without a deadline.
    void sleep(std::uint32_t token);

  private:
    std::atomic<std::uint32_t> m_word{0};
  };
}

#endif
