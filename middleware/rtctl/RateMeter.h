// What `rtctl hz` prints once a second: from the arrival times of the values in one window,
// the values per second, the mean inter-arrival period and its jitter.
#ifndef RTCTL_RATEMETER_H
#define RTCTL_RATEMETER_H

#include <string>
#include <vector>

namespace rtctl
{
  struct RateSummary
  {
    std::size_t values = 0;   // arrivals in the window
    double rate = 0.0;        // values per second of the window
    // Over the periods that end in the window (the first one starts at the previous
    // window's last arrival); meaningless without periods.
    std::size_t periods = 0;
    double meanPeriod = 0.0;     // seconds
    double jitter = 0.0;         // standard deviation of the periods, seconds
    double maxDeviation = 0.0;   // largest |period - mean period|, seconds
    unsigned long long drops = 0;
  };

  class RateMeter
  {
  public:
    // Times in seconds on one monotonic clock.
    explicit RateMeter(double start);
    // Arrivals in the order they happened.
    void arrival(double time);
    // Ends the window at `end` (arrivals after it stay for the next window); `drops`: values
    // lost in the window.
    RateSummary close(double end, unsigned long long drops);

  private:
    double m_windowStart;
    bool m_hasLast = false;
    double m_last = 0.0;   // the latest arrival of the windows closed so far
    std::vector<double> m_arrivals;
  };

  // "rate=99.9/s period=10.01ms jitter=0.31ms max_dev=1.20ms drops=0"; without periods the
  // three period fields show "-".
  std::string summaryLine(const RateSummary& summary);
}

#endif
