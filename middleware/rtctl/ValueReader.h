// The data types `rtctl echo` and `rtctl hz` can read from an out port, and how a value of
// each is shown: its time stamp and one line of text.
#ifndef RTCTL_VALUEREADER_H
#define RTCTL_VALUEREADER_H

#include <rtm/CdrCodec.h>

#include <string>

namespace rtctl
{
  struct Sample
  {
    unsigned long sec = 0;
    unsigned long nsec = 0;
    std::string text;
  };

  class ValueReader
  {
  public:
    virtual ~ValueReader() = default;
    // The repository id, e.g. "IDL:RTC/TimedString:1.0".
    virtual const std::string& dataType() const = 0;
    // Whether `value` is exactly one value of the type, in this machine's byte order or
    // (`swapped`) in the other one; a swapped value is turned into this machine's order.
    virtual bool accept(RTC::EncodedValue& value, bool swapped) const = 0;
    // A value in this machine's byte order; false when the bytes are not one value.
    virtual bool read(const RTC::EncodedValue& value, Sample& sample) const = 0;
  };

  // The reader for a port's data type (a repository id, or a bare name such as "TimedLong");
  // null when rtctl cannot show that type.
  const ValueReader* findValueReader(const std::string& dataType);
  // "TimedString, TimedShort, ...": for messages.
  std::string readableTypes();

  // The line `echo` prints: the text as it is, with a line feed unless it ends with one; with
  // `stamp`, "sec.nsec<TAB>" in front (nsec with nine digits).
  std::string sampleLine(const Sample& sample, bool stamp);
}

#endif
