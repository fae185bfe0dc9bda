#include "RateMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rtctl
{
  RateMeter::RateMeter(double start) : m_windowStart(start) {}

  void RateMeter::arrival(double time)
  {
    m_arrivals.push_back(time);
  }

  RateSummary RateMeter::close(double end, unsigned long long drops)
  {
    RateSummary summary;
    summary.drops = drops;
    // Arrivals noted by different threads may come in slightly out of order.
    std::sort(m_arrivals.begin(), m_arrivals.end());
    auto after =
      std::find_if(m_arrivals.begin(), m_arrivals.end(), [end](double t) { return t > end; });
    std::vector<double> periods;
    for (auto it = m_arrivals.begin(); it != after; ++it)
      {
        if (m_hasLast) { periods.push_back(*it - m_last); }
        m_last = *it;
        m_hasLast = true;
        ++summary.values;
      }
    m_arrivals.erase(m_arrivals.begin(), after);
    const double length = end - m_windowStart;
    m_windowStart = end;
    summary.rate = length > 0.0 ? static_cast<double>(summary.values) / length : 0.0;
    summary.periods = periods.size();
    if (periods.empty()) { return summary; }
    double sum = 0.0;
    for (double period : periods) { sum += period; }
    summary.meanPeriod = sum / static_cast<double>(periods.size());
    double squares = 0.0;
    for (double period : periods)
      {
        const double deviation = period - summary.meanPeriod;
        squares += deviation * deviation;
        summary.maxDeviation = std::max(summary.maxDeviation, std::fabs(deviation));
      }
    summary.jitter = std::sqrt(squares / static_cast<double>(periods.size()));
    return summary;
  }

  std::string summaryLine(const RateSummary& summary)
  {
    char line[160];
    if (summary.periods == 0)
      {
        std::snprintf(line, sizeof line, "rate=%.1f/s period=- jitter=- max_dev=- drops=%llu",
                      summary.rate, summary.drops);
      }
    else
      {
        std::snprintf(line, sizeof line,
                      "rate=%.1f/s period=%.2fms jitter=%.2fms max_dev=%.2fms drops=%llu",
                      summary.rate, summary.meanPeriod * 1000.0, summary.jitter * 1000.0,
                      summary.maxDeviation * 1000.0, summary.drops);
      }
    return line;
  }
}
