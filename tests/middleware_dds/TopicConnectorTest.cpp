// The topic connectors themselves, in one process: the bytes each marshaling puts on the wire,
// values written back to back, and the writer's history depth.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/InPort.h>

#include "ConnectionBuffer.h"
#include "TopicPayload.h"
#include "TopicTransport.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
  using Bytes = RTC::EncodedValue;
  const std::string kTimedString = "IDL:RTC/TimedString:1.0";

  Bytes timedString(const std::string& text, unsigned sec = 0, unsigned nsec = 0)
  {
    RTC::TimedString value;
    value.tm.sec = sec;
    value.tm.nsec = nsec;
    value.data = CORBA::string_dup(text.c_str());
    Bytes bytes;
    RTC::encodeValue(value, bytes);
    return bytes;
  }

  TEST(TopicPayload, BytesOnTheWireForEachMarshaling)
  {
    if (!RTC::nativeLittleEndian()) { GTEST_SKIP() << "the cases are written little endian"; }
    const Bytes hello = {'h', 'e', 'l', 'l', 'o', 0};
    Bytes corba = {0, 1, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 6, 0, 0, 0};
    corba.insert(corba.end(), hello.begin(), hello.end());
    corba.insert(corba.end(), {0, 0});   // padded to a multiple of 4
    Bytes ros2 = {0, 1, 0, 0, 6, 0, 0, 0};
    ros2.insert(ros2.end(), hello.begin(), hello.end());

    Bytes payload;
    ASSERT_TRUE(RTC::toTopicPayload(RTC::Marshaling::Corba, timedString("hello", 1, 2), payload));
    EXPECT_EQ(payload, corba);
    ASSERT_TRUE(
      RTC::toTopicPayload(RTC::Marshaling::Ros2String, timedString("hello", 1, 2), payload));
    EXPECT_EQ(payload, ros2);

    // A ROS 2 String in either byte order becomes a TimedString without a stamp, in ours.
    Bytes bigEndian = {0, 0, 0, 0, 0, 0, 0, 6};
    bigEndian.insert(bigEndian.end(), hello.begin(), hello.end());
    for (const Bytes& wire : {ros2, bigEndian})
      {
        Bytes value;
        bool swapped = true;
        ASSERT_TRUE(RTC::fromTopicPayload(RTC::Marshaling::Ros2String, wire, value, swapped));
        EXPECT_FALSE(swapped);
        EXPECT_EQ(value, timedString("hello"));
      }
    // Malformed: no header, a length past the end, no NUL.
    for (const Bytes& wire : {Bytes{0, 1}, Bytes{0, 1, 0, 0, 9, 0, 0, 0, 'a', 0},
                              Bytes{0, 1, 0, 0, 2, 0, 0, 0, 'a', 'b'}})
      {
        Bytes value;
        bool swapped = false;
        EXPECT_FALSE(RTC::fromTopicPayload(RTC::Marshaling::Ros2String, wire, value, swapped));
      }
  }

  // One writer and, later, one reader of a TimedString topic of this process alone.
  class TopicConnectors : public ::testing::Test
  {
  protected:
    TopicConnectors() : m_port("in", m_slot)
    {
      m_terms.topic = "connectors_" + std::to_string(::getpid()) + "_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();
      m_settings.id = "test";
      m_settings.bufferLength = 64;
    }

    void joinWriter()
    {
      std::string problem;
      m_writer = RTC::joinTopicAsWriter(m_settings, m_terms, kTimedString, problem);
      ASSERT_TRUE(m_writer) << problem;
    }

    void joinReader()
    {
      std::string problem;
      m_buffer = m_port.addConnection(m_settings);
      m_reader = RTC::joinTopicAsReader(m_settings, m_terms, m_port, m_buffer, problem);
      ASSERT_TRUE(m_reader) << problem;
    }

    void write(const std::string& text)
    {
      RTC::TimedString value;
      const Bytes bytes = timedString(text);
      RTC::OutgoingValue outgoing(bytes, nullptr, &value);
      ASSERT_TRUE(m_writer->deliver(outgoing));
    }

    std::vector<std::string> take()
    {
      std::vector<std::string> texts;
      while (m_port.read()) { texts.push_back(static_cast<const char*>(m_slot.data)); }
      return texts;
    }

    RTC::TimedString m_slot;
    RTC::InPort<RTC::TimedString> m_port;
    RTC::TopicTerms m_terms;
    RTC::ConnectionSettings m_settings;
    std::shared_ptr<RTC::OutPortConnector> m_writer;
    std::shared_ptr<RTC::ConnectionBuffer> m_buffer;
    std::unique_ptr<RTC::TopicReaderEnd> m_reader;
  };

  TEST_F(TopicConnectors, ThreeValuesWrittenBackToBackAllArriveInOrder)
  {
    joinWriter();
    joinReader();
    // Once a probe arrives the two ends have matched; late probes are left out below.
    ASSERT_TRUE(testsupport::waitUntil([this] {
      write("probe");
      return m_port.isNew();
    }));
    for (const char* text : {"first", "second", "third"}) { write(text); }
    std::vector<std::string> received;
    testsupport::waitUntil([&] {
      for (const std::string& text : take())
        {
          if (text != "probe") { received.push_back(text); }
        }
      return received.size() >= 3;
    });
    EXPECT_EQ(received, (std::vector<std::string>{"first", "second", "third"}));
  }

  TEST_F(TopicConnectors, AWriterKeepsAsManyValuesAsItsHistoryDepthForLateReaders)
  {
    m_terms.writerQos.durability = RTC::TopicQos::Durability::TransientLocal;
    m_terms.writerQos.depth = 2;
    m_terms.readerQos.durability = RTC::TopicQos::Durability::TransientLocal;
    m_terms.readerQos.reliability = RTC::TopicQos::Reliability::Reliable;
    joinWriter();
    for (const char* text : {"1", "2", "3", "4", "5"}) { write(text); }
    joinReader();
    std::vector<std::string> received;
    auto gather = [&] {
      for (const std::string& text : take()) { received.push_back(text); }
      return received.size() > 2;
    };
    testsupport::waitUntil(gather, std::chrono::milliseconds(3000));
    EXPECT_EQ(received, (std::vector<std::string>{"4", "5"}));
  }
}
