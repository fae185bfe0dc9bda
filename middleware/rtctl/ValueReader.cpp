// The types' Any operators are global functions: declared before CdrCodec.h's templates, or
// dataTypeName<T>() does not find them.
#include <rtm/idl/BasicDataTypeSkel.h>

#include "ValueReader.h"

#include "ComponentPorts.h"
#include "ConnectorRules.h"

#include <cstdio>
#include <cstdlib>

namespace rtctl
{
  namespace
  {
    // The shortest text that reads back as the same number.
    template <typename Real> std::string realText(Real value, int maxDigits)
    {
      char text[64];
      for (int digits = 6; digits <= maxDigits; ++digits)
        {
          std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
          if (static_cast<Real>(std::strtod(text, nullptr)) == value) { break; }
        }
      return text;
    }

    std::string dataText(const RTC::TimedString& value)
    {
      return value.data.in();
    }
    std::string dataText(const RTC::TimedShort& value)
    {
      return std::to_string(value.data);
    }
    std::string dataText(const RTC::TimedLong& value)
    {
      return std::to_string(value.data);
    }
    std::string dataText(const RTC::TimedUShort& value)
    {
      return std::to_string(value.data);
    }
    std::string dataText(const RTC::TimedULong& value)
    {
      return std::to_string(value.data);
    }
    std::string dataText(const RTC::TimedFloat& value)
    {
      return realText(value.data, 9);
    }
    std::string dataText(const RTC::TimedDouble& value)
    {
      return realText(value.data, 17);
    }
    std::string dataText(const RTC::TimedBoolean& value)
    {
      return value.data ? "true" : "false";
    }

    template <typename T> class TypedReader : public ValueReader
    {
    public:
      TypedReader() : m_dataType(RTC::dataTypeName<T>()) {}

      const std::string& dataType() const override { return m_dataType; }

      bool accept(RTC::EncodedValue& value, bool swapped) const override
      {
        T decoded;
        if (!RTC::decodeValue(value, decoded, swapped)) { return false; }
        return !swapped || RTC::encodeValue(decoded, value);
      }

      bool read(const RTC::EncodedValue& value, Sample& sample) const override
      {
        T decoded;
        if (!RTC::decodeValue(value, decoded)) { return false; }
        sample.sec = decoded.tm.sec;
        sample.nsec = decoded.tm.nsec;
        sample.text = dataText(decoded);
        return true;
      }

    private:
      const std::string m_dataType;
    };

    // Built on first use: the type names come from omniORB's type codes.
    const ValueReader* const* readers()
    {
      static const TypedReader<RTC::TimedString> string;
      static const TypedReader<RTC::TimedShort> shortValue;
      static const TypedReader<RTC::TimedLong> longValue;
      static const TypedReader<RTC::TimedUShort> ushortValue;
      static const TypedReader<RTC::TimedULong> ulongValue;
      static const TypedReader<RTC::TimedFloat> floatValue;
      static const TypedReader<RTC::TimedDouble> doubleValue;
      static const TypedReader<RTC::TimedBoolean> booleanValue;
      static const ValueReader* const all[] = {&string,      &shortValue,   &longValue,
                                               &ushortValue, &ulongValue,   &floatValue,
                                               &doubleValue, &booleanValue, nullptr};
      return all;
    }
  }

  const ValueReader* findValueReader(const std::string& dataType)
  {
    for (const ValueReader* const* reader = readers(); *reader != nullptr; ++reader)
      {
        if (RTC::sameDataType((*reader)->dataType(), dataType)) { return *reader; }
      }
    return nullptr;
  }

  std::string readableTypes()
  {
    std::string names;
    for (const ValueReader* const* reader = readers(); *reader != nullptr; ++reader)
      {
        names += (names.empty() ? "" : ", ") + RTC::bareTypeName((*reader)->dataType());
      }
    return names;
  }

  std::string sampleLine(const Sample& sample, bool stamp)
  {
    std::string line;
    if (stamp)
      {
        char prefix[48];
        std::snprintf(prefix, sizeof prefix, "%lu.%09lu\t", sample.sec, sample.nsec);
        line = prefix;
      }
    line += sample.text;
    if (line.empty() || line.back() != '\n') { line += '\n'; }
    return line;
  }
}
