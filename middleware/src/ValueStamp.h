// Setting a value's time stamp in its encoded bytes (timestamp_policy). Every data port type
// begins with RTC::Time {sec, nsec}, two unsigned longs at offset 0, so the stamp is the first
// eight bytes, written in the byte order the bytes are in.
#ifndef RTM_SRC_VALUESTAMP_H
#define RTM_SRC_VALUESTAMP_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

#include <chrono>
#include <cstdint>

namespace RTC
{
  // Stamps `bytes` with the time of day.
  inline void stampNow(EncodedValue& bytes, bool littleEndian)
  {
    if (bytes.size() < 8) { return; }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto sec = std::chrono::duration_cast<std::chrono::seconds>(now);
    const std::uint32_t words[2] = {
      static_cast<std::uint32_t>(sec.count()),
      static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - sec).count())};
    for (int word = 0; word < 2; ++word)
      {
        for (int i = 0; i < 4; ++i)
          {
            const int shift = 8 * (littleEndian ? i : 3 - i);
            bytes[static_cast<std::size_t>(4 * word + i)] =
              static_cast<unsigned char>(words[word] >> shift);
          }
      }
  }

  // Whether a connection with `settings` stamps at `step`.
  inline bool stampsAt(const ConnectionSettings& settings, StampStep step)
  {
    return settings.stampAt == step;
  }
}

#endif
