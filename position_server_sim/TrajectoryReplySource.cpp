#include "TrajectoryReplySource.h"

#include <chrono>
#include <cmath>
#include <string>
#include <cstdio>

std::string TrajectoryReplySource::reply(unsigned long sequence) const
{
  constexpr double kPi = 3.14159265358979323846;
  constexpr double kStepRad = 0.05;   // one lap in about 126 replies
  const double angle = kStepRad * static_cast<double>(sequence);
  const double x = 2.0 * std::cos(angle);
  const double y = 1.5 * std::sin(angle);
  const double z = 0.1 * std::sin(angle / 4.0);
  const double yawDeg = std::atan2(1.5 * std::cos(angle), -2.0 * std::sin(angle)) * 180.0 / kPi;

  char line[200];
  std::snprintf(line, sizeof line, "POS seq=%lu x=%.3f y=%.3f z=%.3f yaw=%.1f", sequence, x, y, z,
                yawDeg);
  std::string text = line;
  if (m_stamped)
    {
      const auto now = std::chrono::steady_clock::now().time_since_epoch();
      text +=
        " t=" + std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    }
  return text + "\n";
}
