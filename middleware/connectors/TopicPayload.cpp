#include "TopicPayload.h"

#include "ConnectorRules.h"

#include <cstdint>
#include <cstring>

namespace RTC
{
  namespace
  {
    const std::size_t kHeaderSize = 4;
    // TimedString's CDR: seconds, nanoseconds, then the string (length with its NUL, bytes, NUL).
    const std::size_t kStampSize = 8;

    void appendHeader(EncodedValue& payload)
    {
      // CDR_LE is 0x0001, CDR_BE 0x0000; no options.
      const unsigned char header[kHeaderSize] = {
        0, static_cast<unsigned char>(nativeLittleEndian()), 0, 0};
      payload.assign(header, header + kHeaderSize);
    }

    std::uint32_t readUint32(const unsigned char* bytes, bool swapped)
    {
      unsigned char copy[4];
      std::memcpy(copy, bytes, 4);
      if (swapped)
        {
          std::swap(copy[0], copy[3]);
          std::swap(copy[1], copy[2]);
        }
      std::uint32_t value;
      std::memcpy(&value, copy, 4);
      return value;
    }

    void appendUint32(EncodedValue& out, std::uint32_t value)
    {
      const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&value);
      out.insert(out.end(), bytes, bytes + 4);
    }

    // The string of a CDR string at `at` (its length field), in `text`; false when malformed.
    bool readString(const EncodedValue& bytes, std::size_t at, bool swapped, std::string& text)
    {
      if (bytes.size() < at + 4) { return false; }
      const std::uint32_t length = readUint32(bytes.data() + at, swapped);
      if (length == 0 || bytes.size() - at - 4 < length || bytes[at + 4 + length - 1] != 0)
        {
          return false;
        }
      text.assign(reinterpret_cast<const char*>(bytes.data() + at + 4), length - 1);
      return true;
    }
  }

  bool checkMarshaling(Marshaling marshaling, const std::string& dataType, std::string& refusal)
  {
    if (marshaling == Marshaling::Corba || bareTypeName(dataType) == "TimedString") { return true; }
    refusal = "marshaling_type ros2:std_msgs/String carries TimedString ports only, this one is " +
              dataType;
    return false;
  }

  bool toTopicPayload(Marshaling marshaling, const EncodedValue& native, EncodedValue& payload)
  {
    appendHeader(payload);
    if (marshaling == Marshaling::Corba)
      {
        payload.insert(payload.end(), native.begin(), native.end());
        payload.resize((payload.size() + 3) / 4 * 4, 0);
        return true;
      }
    std::string text;
    if (!readString(native, kStampSize, false, text)) { return false; }
    appendUint32(payload, static_cast<std::uint32_t>(text.size() + 1));
    payload.insert(payload.end(), text.begin(), text.end());
    payload.push_back(0);
    return true;
  }

  bool fromTopicPayload(Marshaling marshaling, const EncodedValue& payload, EncodedValue& value,
                        bool& swapped)
  {
    if (payload.size() < kHeaderSize || payload[0] != 0 || payload[1] > 1) { return false; }
    swapped = (payload[1] == 1) != nativeLittleEndian();
    if (marshaling == Marshaling::Corba)
      {
        value.assign(payload.begin() + kHeaderSize, payload.end());
        return true;
      }
    std::string text;
    if (!readString(payload, kHeaderSize, swapped, text)) { return false; }
    swapped = false;
    value.assign(kStampSize, 0);
    appendUint32(value, static_cast<std::uint32_t>(text.size() + 1));
    value.insert(value.end(), text.begin(), text.end());
    value.push_back(0);
    return true;
  }
}
