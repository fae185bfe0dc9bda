// Data ports in one process: the in port's one buffer, its full policies and dropped counts,
// what read() and write() report, and values carried unchanged.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/InPort.h>
#include <rtm/OutPort.h>

#include "ConnectionBuffer.h"
#include "PortConnect.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{
  RTC::ConnectionSettings settingsFor(std::size_t length, bool overwrite)
  {
    RTC::ConnectionSettings settings;
    settings.id = "test";
    settings.bufferLength = length;
    settings.overwriteWhenFull = overwrite;
    return settings;
  }

  // Pushes 1..count and pops everything, returning what came out.
  std::vector<int> pushThenDrain(RTC::ConnectionBuffer& buffer, RTC::PortBuffer& port, int count)
  {
    for (int i = 1; i <= count; ++i)
      {
        EXPECT_TRUE(buffer.push(RTC::EncodedValue{static_cast<unsigned char>(i)}));
      }
    std::vector<int> out;
    RTC::EncodedValue value;
    while (port.pop(value)) { out.push_back(value.at(0)); }
    return out;
  }

  bool connectPorts(RTC::OutPortBase& out, RTC::InPortBase& in, const coil::Properties& options,
                    std::string& error)
  {
    RTC::ConnectionSettings settings;
    return RTC::makeConnectionSettings(options, "A0.out", "B0.in", settings, error) &&
           RTC::connectInProcess(out, in, settings, error);
  }

  coil::Properties options(const std::string& length, const std::string& policy)
  {
    coil::Properties properties;
    if (!length.empty()) { properties.setProperty("buffer.length", length); }
    if (!policy.empty()) { properties.setProperty("buffer.write.full_policy", policy); }
    return properties;
  }
}

TEST(ConnectionBuffer, OverwriteDropsTheOldestAndCountsIt)
{
  auto port = std::make_shared<RTC::PortBuffer>();
  RTC::ConnectionBuffer buffer(settingsFor(3, true), port);
  EXPECT_EQ((std::vector<int>{3, 4, 5}), pushThenDrain(buffer, *port, 5));
  EXPECT_EQ(2u, buffer.status().dropped);
  EXPECT_EQ(0u, buffer.status().buffered);
}

TEST(ConnectionBuffer, DoNothingDropsTheNewestAndCountsIt)
{
  auto port = std::make_shared<RTC::PortBuffer>();
  RTC::ConnectionBuffer buffer(settingsFor(3, false), port);
  EXPECT_EQ((std::vector<int>{1, 2, 3}), pushThenDrain(buffer, *port, 5));
  EXPECT_EQ(2u, buffer.status().dropped);
}

TEST(ConnectionBuffer, ClosedBufferRefusesValues)
{
  auto port = std::make_shared<RTC::PortBuffer>();
  RTC::ConnectionBuffer buffer(settingsFor(3, true), port);
  EXPECT_TRUE(buffer.push(RTC::EncodedValue{1}));
  buffer.close();
  EXPECT_TRUE(port->empty());
  EXPECT_FALSE(buffer.push(RTC::EncodedValue{2}));
}

TEST(ConnectionSettings, BufferOptionsAreChecked)
{
  RTC::ConnectionSettings settings;
  std::string error;
  ASSERT_TRUE(RTC::makeConnectionSettings(coil::Properties(), "A0.out", "B0.in", settings, error));
  EXPECT_EQ(8u, settings.bufferLength);
  EXPECT_TRUE(settings.overwriteWhenFull);
  EXPECT_EQ("A0.out:B0.in", settings.name);
  RTC::ConnectionSettings other;
  ASSERT_TRUE(RTC::makeConnectionSettings(coil::Properties(), "A0.out", "B0.in", other, error));
  EXPECT_NE(settings.id, other.id);

  coil::Properties prefixed;
  prefixed.setProperty("dataport.buffer.length", "16");
  prefixed.setProperty("dataport.buffer.write.full_policy", "do_nothing");
  ASSERT_TRUE(RTC::makeConnectionSettings(prefixed, "A0.out", "B0.in", settings, error));
  EXPECT_EQ(16u, settings.bufferLength);
  EXPECT_FALSE(settings.overwriteWhenFull);

  for (const coil::Properties& bad : {options("0", ""), options("8x", ""), options("", "wait")})
    {
      error.clear();
      EXPECT_FALSE(RTC::makeConnectionSettings(bad, "A0.out", "B0.in", settings, error));
      EXPECT_FALSE(error.empty());
    }
}

class ConnectedPorts : public ::testing::Test
{
protected:
  std::string connect(const coil::Properties& connectionOptions)
  {
    std::string error;
    EXPECT_TRUE(connectPorts(m_out, m_in, connectionOptions, error)) << error;
    return error;
  }

  void writeNumbered(int from, int to)
  {
    for (int i = from; i <= to; ++i)
      {
        m_outValue.data = CORBA::string_dup(("value " + std::to_string(i)).c_str());
        EXPECT_TRUE(m_out.write());
      }
  }

  std::vector<std::string> readAll()
  {
    std::vector<std::string> values;
    while (m_in.isNew())
      {
        if (!m_in.read()) { break; }
        values.push_back(std::string(m_inValue.data));
      }
    return values;
  }

  RTC::TimedString m_outValue;
  RTC::OutPort<RTC::TimedString> m_out{"out", m_outValue};
  RTC::TimedString m_inValue;
  RTC::InPort<RTC::TimedString> m_in{"in", m_inValue};
};

TEST_F(ConnectedPorts, NothingConnected)
{
  m_outValue.data = CORBA::string_dup("lost");
  EXPECT_FALSE(m_out.write());
  m_inValue.data = CORBA::string_dup("untouched");
  EXPECT_FALSE(m_in.isNew());
  EXPECT_TRUE(m_in.isEmpty());
  EXPECT_FALSE(m_in.read());
  EXPECT_STREQ("untouched", m_inValue.data);
}

TEST_F(ConnectedPorts, ReadWhenEmptyLeavesTheVariableUnchanged)
{
  connect(coil::Properties());
  writeNumbered(1, 1);
  EXPECT_TRUE(m_in.isNew());
  ASSERT_TRUE(m_in.read());
  EXPECT_STREQ("value 1", m_inValue.data);
  EXPECT_FALSE(m_in.isNew());
  EXPECT_FALSE(m_in.read());
  EXPECT_STREQ("value 1", m_inValue.data);
}

TEST_F(ConnectedPorts, DefaultBufferKeepsTheEightNewest)
{
  connect(coil::Properties());
  writeNumbered(1, 10);
  ASSERT_EQ(1u, m_in.connections().size());
  EXPECT_EQ(8u, m_in.connections()[0].buffered);
  EXPECT_EQ(2u, m_out.connections()[0].dropped);
  std::vector<std::string> values = readAll();
  ASSERT_EQ(8u, values.size());
  EXPECT_EQ("value 3", values.front());
  EXPECT_EQ("value 10", values.back());
}

TEST_F(ConnectedPorts, OverwriteAndDoNothingPolicies)
{
  connect(options("2", "overwrite"));
  writeNumbered(1, 4);
  EXPECT_EQ((std::vector<std::string>{"value 3", "value 4"}), readAll());
  EXPECT_EQ(2u, m_in.connections()[0].dropped);

  RTC::TimedString value;
  RTC::InPort<RTC::TimedString> keeping("keeping", value);
  std::string error;
  ASSERT_TRUE(connectPorts(m_out, keeping, options("2", "do_nothing"), error)) << error;
  writeNumbered(5, 8);
  ASSERT_TRUE(keeping.read());
  EXPECT_STREQ("value 5", value.data);
  ASSERT_TRUE(keeping.read());
  EXPECT_STREQ("value 6", value.data);
  EXPECT_FALSE(keeping.read());
  EXPECT_EQ(2u, keeping.connections()[0].dropped);
}

TEST_F(ConnectedPorts, ValuesArriveUnchanged)
{
  connect(coil::Properties());
  std::string large(8191, ' ');
  for (std::size_t i = 0; i < large.size(); ++i) { large[i] = static_cast<char>('!' + i % 90); }
  const std::vector<std::string> texts = {"first line\nsecond line\n", "", large,
                                          "tab\tand \xc3\xa4 \xe2\x82\xac"};
  unsigned long sec = 1700000000UL;
  for (const std::string& text : texts)
    {
      m_outValue.tm.sec = sec;
      m_outValue.tm.nsec = 999999999UL;
      m_outValue.data = CORBA::string_dup(text.c_str());
      ASSERT_TRUE(m_out.write());
      ASSERT_TRUE(m_in.read());
      EXPECT_EQ(text, std::string(m_inValue.data));
      EXPECT_EQ(sec, m_inValue.tm.sec);
      EXPECT_EQ(999999999UL, m_inValue.tm.nsec);
      ++sec;
    }
}

TEST_F(ConnectedPorts, ReadTakesEveryConnectionInArrivalOrder)
{
  connect(options("3", "overwrite"));
  RTC::TimedString secondValue;
  RTC::OutPort<RTC::TimedString> second("second", secondValue);
  std::string error;
  ASSERT_TRUE(connectPorts(second, m_in, options("3", "overwrite"), error)) << error;

  secondValue.data = CORBA::string_dup("from the second writer");
  ASSERT_TRUE(second.write());
  EXPECT_TRUE(m_in.isNew());
  writeNumbered(1, 3);
  // The buffer holds three: the second writer's value, the oldest, is the one lost.
  ASSERT_EQ(2u, m_in.connections().size());
  EXPECT_EQ(0u, m_in.connections()[0].dropped);
  EXPECT_EQ(1u, m_in.connections()[1].dropped);
  EXPECT_EQ(0u, m_in.connections()[1].buffered);
  ASSERT_TRUE(second.write());
  EXPECT_EQ((std::vector<std::string>{"value 2", "value 3", "from the second writer"}), readAll());
  EXPECT_EQ(1u, m_in.connections()[0].dropped);
}

TEST_F(ConnectedPorts, WriterDropsTheConnectionOfAVanishedReader)
{
  {
    RTC::TimedString value;
    RTC::InPort<RTC::TimedString> shortLived("shortLived", value);
    std::string error;
    ASSERT_TRUE(connectPorts(m_out, shortLived, coil::Properties(), error)) << error;
    EXPECT_TRUE(m_out.write());
  }
  m_out.write();
  EXPECT_TRUE(m_out.connections().empty());
  EXPECT_FALSE(m_out.write());
}

TEST_F(ConnectedPorts, DataTypesMustMatch)
{
  RTC::Time time;
  RTC::OutPort<RTC::Time> timeOut("time", time);
  std::string error;
  EXPECT_FALSE(connectPorts(timeOut, m_in, coil::Properties(), error));
  EXPECT_NE(std::string::npos, error.find("TimedString")) << error;
  EXPECT_TRUE(m_in.connections().empty());
}

TEST_F(ConnectedPorts, ConcurrentWriterAndReaderLoseNothingUncounted)
{
  connect(options("8", "overwrite"));
  const unsigned long total = 2000;
  std::atomic<bool> writerDone(false);
  std::thread writer([&] {
    RTC::TimedString value;
    for (unsigned long i = 1; i <= total; ++i)
      {
        value.tm.sec = i;
        value.data = CORBA::string_dup("x");
        m_out.write(value);
      }
    writerDone = true;
  });

  std::vector<unsigned long> received;
  const bool drained = testsupport::waitUntil(
    [&] {
      const bool finished = writerDone;   // read before the last look at the buffer
      while (m_in.read()) { received.push_back(m_inValue.tm.sec); }
      return finished;
    },
    testsupport::kPatience, std::chrono::milliseconds(1));
  writer.join();
  ASSERT_TRUE(drained);
  ASSERT_FALSE(received.empty());
  for (std::size_t i = 1; i < received.size(); ++i) { ASSERT_LT(received[i - 1], received[i]); }
  EXPECT_EQ(total, received.back());
  EXPECT_EQ(total, received.size() + m_in.connections()[0].dropped);
}

// Every step of timestamp_policy stamps the value with the time of day at that step; without
// it the writer's stamp passes unchanged.
TEST_F(ConnectedPorts, TimestampPolicyStampsWithinTheRunAndNeverBackwards)
{
  for (const char* policy : {"on_write", "on_send", "on_received", "on_read"})
    {
      RTC::TimedString value;
      RTC::InPort<RTC::TimedString> stamped("stamped", value);
      coil::Properties given;
      given.setProperty("timestamp_policy", policy);
      std::string error;
      ASSERT_TRUE(connectPorts(m_out, stamped, given, error)) << error;
      const unsigned long before = static_cast<unsigned long>(std::time(nullptr));
      unsigned long long last = 0;
      for (int i = 0; i < 3; ++i)
        {
          m_outValue.tm.sec = 7;
          ASSERT_TRUE(m_out.write());
          ASSERT_TRUE(stamped.read());
          const unsigned long long stamp = value.tm.sec * 1000000000ULL + value.tm.nsec;
          EXPECT_GE(value.tm.sec, before) << policy;
          EXPECT_LE(value.tm.sec, static_cast<unsigned long>(std::time(nullptr))) << policy;
          EXPECT_LE(last, stamp) << policy;
          last = stamp;
        }
    }
  connect(coil::Properties());
  m_outValue.tm.sec = 7;
  ASSERT_TRUE(m_out.write());
  ASSERT_TRUE(m_in.read());
  EXPECT_EQ(7u, m_inValue.tm.sec);
}
