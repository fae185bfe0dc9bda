// What rtctl echo and hz make of the values they read: which data types they take, the bytes
// they accept in either byte order, the lines echo prints, and the figures hz prints. Type codes
// and anys need an initialised ORB: the shared test environment gives one.
#include <rtm/idl/BasicDataTypeSkel.h>

#include "RateMeter.h"
#include "ValueReader.h"

#include <gtest/gtest.h>

namespace
{
  using rtctl::Sample;

  // Encodes `value` in the given byte order, lets the reader of `dataType` accept it and read
  // it back as it would arrive at rtctl.
  template <typename T> Sample readBack(const std::string& dataType, const T& value, bool swapped)
  {
    const rtctl::ValueReader* reader = rtctl::findValueReader(dataType);
    EXPECT_NE(nullptr, reader) << dataType;
    Sample sample;
    if (reader == nullptr) { return sample; }
    RTC::EncodedValue bytes;
    EXPECT_TRUE(RTC::encodeValue(value, bytes, swapped));
    EXPECT_TRUE(reader->accept(bytes, swapped)) << dataType;
    EXPECT_TRUE(reader->read(bytes, sample)) << dataType;
    return sample;
  }

  template <typename T> T stamped(decltype(T().data) data)
  {
    T value;
    value.tm.sec = 1700000000;
    value.tm.nsec = 5;
    value.data = data;
    return value;
  }

  TEST(ValueReaderTest, ReadsEachTypeInEitherByteOrder)
  {
    for (bool swapped : {false, true})
      {
        SCOPED_TRACE(swapped ? "swapped" : "native");
        RTC::TimedString text;
        text.tm.sec = 1700000000;
        text.tm.nsec = 5;
        text.data = CORBA::string_dup("pos 1 1 1.25 -2.5 0.75\n");
        const Sample string = readBack("IDL:RTC/TimedString:1.0", text, swapped);
        EXPECT_EQ(1700000000u, string.sec);
        EXPECT_EQ(5u, string.nsec);
        EXPECT_EQ("pos 1 1 1.25 -2.5 0.75\n", string.text);

        EXPECT_EQ(
          "-32768",
          readBack("IDL:RTC/TimedShort:1.0", stamped<RTC::TimedShort>(-32768), swapped).text);
        const Sample longValue =
          readBack("IDL:RTC/TimedLong:1.0", stamped<RTC::TimedLong>(-2000000001), swapped);
        EXPECT_EQ("-2000000001", longValue.text);
        EXPECT_EQ(1700000000u, longValue.sec);
        EXPECT_EQ(
          "65535",
          readBack("IDL:RTC/TimedUShort:1.0", stamped<RTC::TimedUShort>(65535), swapped).text);
        EXPECT_EQ(
          "4294967295",
          readBack("IDL:RTC/TimedULong:1.0", stamped<RTC::TimedULong>(4294967295u), swapped).text);
        // The shortest text that reads back as the same number.
        EXPECT_EQ("0.1",
                  readBack("IDL:RTC/TimedFloat:1.0", stamped<RTC::TimedFloat>(0.1f), swapped).text);
        EXPECT_EQ(
          "0.1", readBack("IDL:RTC/TimedDouble:1.0", stamped<RTC::TimedDouble>(0.1), swapped).text);
        EXPECT_EQ(
          "-2.5e+300",
          readBack("IDL:RTC/TimedDouble:1.0", stamped<RTC::TimedDouble>(-2.5e300), swapped).text);
        const double third = 1.0 / 3.0;
        EXPECT_EQ(
          third,
          std::stod(
            readBack("IDL:RTC/TimedDouble:1.0", stamped<RTC::TimedDouble>(third), swapped).text));
        EXPECT_EQ(
          "true",
          readBack("IDL:RTC/TimedBoolean:1.0", stamped<RTC::TimedBoolean>(true), swapped).text);
        EXPECT_EQ(
          "false",
          readBack("IDL:RTC/TimedBoolean:1.0", stamped<RTC::TimedBoolean>(false), swapped).text);
      }
  }

  TEST(ValueReaderTest, RefusesBytesThatAreNotOneValueOfItsType)
  {
    const rtctl::ValueReader* reader = rtctl::findValueReader("IDL:RTC/TimedString:1.0");
    ASSERT_NE(nullptr, reader);
    RTC::TimedString text;
    text.tm.sec = 1;
    text.tm.nsec = 2;
    text.data = CORBA::string_dup("hi");
    RTC::EncodedValue bytes;
    ASSERT_TRUE(RTC::encodeValue(text, bytes));

    RTC::EncodedValue shorter(bytes.begin(), bytes.end() - 1);
    EXPECT_FALSE(reader->accept(shorter, false));
    RTC::EncodedValue longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(reader->accept(longer, false));
    // Read in the other byte order, the string length is absurd.
    RTC::EncodedValue other = bytes;
    EXPECT_FALSE(reader->accept(other, true));
    Sample sample;
    EXPECT_FALSE(reader->read(RTC::EncodedValue(), sample));

    // A TimedLong is no TimedDouble: eight bytes too few.
    const rtctl::ValueReader* doubles = rtctl::findValueReader("IDL:RTC/TimedDouble:1.0");
    ASSERT_NE(nullptr, doubles);
    RTC::EncodedValue number;
    ASSERT_TRUE(RTC::encodeValue(stamped<RTC::TimedLong>(7), number));
    EXPECT_FALSE(doubles->accept(number, false));
  }

  TEST(ValueReaderTest, FindsReadersByRepositoryIdOrBareNameOnly)
  {
    ASSERT_NE(nullptr, rtctl::findValueReader("TimedLong"));
    EXPECT_EQ("IDL:RTC/TimedLong:1.0", rtctl::findValueReader("TimedLong")->dataType());
    EXPECT_EQ("IDL:RTC/TimedString:1.0",
              rtctl::findValueReader("IDL:RTC/TimedString:1.0")->dataType());
    EXPECT_EQ(nullptr, rtctl::findValueReader("IDL:RTC/Time:1.0"));
    EXPECT_EQ(nullptr, rtctl::findValueReader("IDL:RTC/TimedLongSeq:1.0"));
    EXPECT_EQ(nullptr, rtctl::findValueReader("IDL:Other/TimedLong:1.0"));
    EXPECT_EQ(nullptr, rtctl::findValueReader(""));
    EXPECT_EQ(0u, rtctl::readableTypes().find("TimedString, TimedShort, TimedLong, "));
  }

  TEST(ValueReaderTest, EchoLinesEndOnceAndCarryTheStampOnRequest)
  {
    Sample sample;
    sample.sec = 12;
    sample.nsec = 3400;
    sample.text = "pos 1 2\n";
    EXPECT_EQ("pos 1 2\n", rtctl::sampleLine(sample, false));
    EXPECT_EQ("12.000003400\tpos 1 2\n", rtctl::sampleLine(sample, true));
    sample.text = "no line feed";
    EXPECT_EQ("no line feed\n", rtctl::sampleLine(sample, false));
    sample.text = "";
    EXPECT_EQ("\n", rtctl::sampleLine(sample, false));
    EXPECT_EQ("12.000003400\t\n", rtctl::sampleLine(sample, true));
    sample.sec = 4294967295u;
    sample.nsec = 999999999;
    sample.text = "two\nlines";
    EXPECT_EQ("4294967295.999999999\ttwo\nlines\n", rtctl::sampleLine(sample, true));
  }

  TEST(RateMeterTest, SummarisesEachWindowFromItsArrivalTimes)
  {
    rtctl::RateMeter meter(100.0);
    // First window: 10 ms apart, the first arrival has no period before it.
    for (int i = 0; i < 100; ++i) { meter.arrival(100.005 + 0.01 * i); }
    meter.arrival(101.5);   // after the window: kept for the next one
    rtctl::RateSummary first = meter.close(101.0, 0);
    EXPECT_EQ(100u, first.values);
    EXPECT_DOUBLE_EQ(100.0, first.rate);
    EXPECT_EQ(99u, first.periods);
    EXPECT_NEAR(0.01, first.meanPeriod, 1e-9);
    EXPECT_NEAR(0.0, first.jitter, 1e-9);
    EXPECT_NEAR(0.0, first.maxDeviation, 1e-9);

    // Second window: the period from the last arrival before it counts, and arrivals noted
    // out of order are taken in order: periods 0.505, 0.2 and 0.2 s, mean 0.301667 s,
    // deviations 0.203333 and -0.101667 twice, their root mean square 0.143778 s.
    meter.arrival(101.9);
    meter.arrival(101.7);
    rtctl::RateSummary second = meter.close(102.0, 3);
    EXPECT_EQ(3u, second.values);
    EXPECT_DOUBLE_EQ(3.0, second.rate);
    ASSERT_EQ(3u, second.periods);
    EXPECT_NEAR(0.301667, second.meanPeriod, 1e-6);
    EXPECT_NEAR(0.143778, second.jitter, 1e-6);
    EXPECT_NEAR(0.203333, second.maxDeviation, 1e-6);
    EXPECT_EQ(3u, second.drops);

    // An empty half-second window.
    rtctl::RateSummary empty = meter.close(102.5, 0);
    EXPECT_EQ(0u, empty.values);
    EXPECT_DOUBLE_EQ(0.0, empty.rate);
    EXPECT_EQ(0u, empty.periods);
  }

  TEST(RateMeterTest, JitterIsTheStandardDeviationAndMaxDevTheLargestDeviation)
  {
    rtctl::RateMeter meter(0.0);
    // Periods 8, 12, 8, 12, 16 ms: mean 11.2 ms, deviations -3.2, 0.8, -3.2, 0.8, 4.8 ms,
    // their root mean square the square root of 8.96 ms².
    double t = 0.1;
    meter.arrival(t);
    for (double period : {0.008, 0.012, 0.008, 0.012, 0.016})
      {
        t += period;
        meter.arrival(t);
      }
    rtctl::RateSummary summary = meter.close(1.0, 0);
    EXPECT_EQ(6u, summary.values);
    EXPECT_NEAR(0.0112, summary.meanPeriod, 1e-9);
    EXPECT_NEAR(0.00299333, summary.jitter, 1e-8);
    EXPECT_NEAR(0.0048, summary.maxDeviation, 1e-9);
  }

  TEST(RateMeterTest, LinesNameEveryFigureWithItsUnit)
  {
    rtctl::RateSummary summary;
    summary.values = 100;
    summary.rate = 99.94;
    summary.periods = 99;
    summary.meanPeriod = 0.010006;
    summary.jitter = 0.000314;
    summary.maxDeviation = 0.0012;
    summary.drops = 2;
    EXPECT_EQ("rate=99.9/s period=10.01ms jitter=0.31ms max_dev=1.20ms drops=2",
              rtctl::summaryLine(summary));
    summary.periods = 0;
    summary.rate = 1.0;
    summary.drops = 0;
    EXPECT_EQ("rate=1.0/s period=- jitter=- max_dev=- drops=0", rtctl::summaryLine(summary));
  }
}
