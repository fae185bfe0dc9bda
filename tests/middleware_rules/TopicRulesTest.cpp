// The keys of a connector that joins a DDS topic: what each bad value is refused with, and
// what both spellings of the keys set.
#include "TopicRules.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
  using Pairs = std::map<std::string, std::string>;

  bool readPairs(const Pairs& pairs, RTC::TopicTerms& terms, std::string& refusal)
  {
    coil::Properties properties;
    properties.setProperty("dataport.interface_type", "fast-rtps");
    for (const auto& pair : pairs) { properties.setProperty(pair.first, pair.second); }
    return RTC::readTopicTerms(properties, terms, refusal);
  }

  TEST(TopicRules, EachBadValueIsRefusedWithOneLine)
  {
    const std::vector<std::pair<Pairs, std::string>> cases = {
      {{{"dataport.marshaling_type", "json"}},
       "marshaling_type must be corba or ros2:std_msgs/String, got 'json'"},
      {{{"dataport.fastrtps.topic", "two words"}},
       "fastrtps.topic must be a DDS topic name (a letter, then letters, digits, '_' or single "
       "'/'), got 'two words'"},
      {{{"fast-rtps.topic", "9lives"}},
       "fast-rtps.topic must be a DDS topic name (a letter, then letters, digits, '_' or single "
       "'/'), got '9lives'"},
      {{{"fastrtps.topic", "a//b"}},
       "fastrtps.topic must be a DDS topic name (a letter, then letters, digits, '_' or single "
       "'/'), got 'a//b'"},
      {{{"fast-rtps.domain.id", "233"}},
       "fast-rtps.domain.id must be a number from 0 to 232, got '233'"},
      {{{"fast-rtps.domain.id", "-1"}},
       "fast-rtps.domain.id must be a number from 0 to 232, got '-1'"},
      {{{"fast-rtps.publisher.qos.reliability.kind", "sometimes"}},
       "fast-rtps.publisher.qos.reliability.kind must be reliable or best_effort, got 'sometimes'"},
      {{{"fast-rtps.subscriber.qos.durability.kind", "persistent"}},
       "fast-rtps.subscriber.qos.durability.kind must be volatile or transient_local, got "
       "'persistent'"},
      {{{"fast-rtps.subscriber.qos.history.kind", "keep_some"}},
       "fast-rtps.subscriber.qos.history.kind must be keep_last or keep_all, got 'keep_some'"},
      {{{"fast-rtps.publisher.qos.history.depth", "0"}},
       "fast-rtps.publisher.qos.history.depth must be a number from 1 to 100000, got '0'"},
    };
    for (const auto& c : cases)
      {
        RTC::TopicTerms terms;
        std::string refusal;
        EXPECT_FALSE(readPairs(c.first, terms, refusal));
        EXPECT_EQ(refusal, c.second);
      }
  }

  TEST(TopicRules, BothSpellingsAndBothQosWordingsAreTaken)
  {
    RTC::TopicTerms terms;
    std::string refusal;
    ASSERT_TRUE(
      readPairs({{"fast-rtps.topic", "positions"},
                 {"dataport.marshaling_type", "ros2:std_msgs/String"},
                 {"fastrtps.QoSXML", "/tmp/q.xml"},
                 {"fastrtps.publisher.name", "w"},
                 {"fast-rtps.subscriber.name", "r"},
                 {"fast-rtps.domain.id", "7"},
                 {"fast-rtps.publisher.qos.reliability.kind", "BEST_EFFORT_RELIABILITY_QOS"},
                 {"fast-rtps.publisher.qos.history.kind", "keep_all"},
                 {"fast-rtps.subscriber.qos.durability.kind", "Transient_Local"},
                 {"fast-rtps.subscriber.qos.history.depth", "3"},
                 {"fastrtps.topik", "typo"}},
                terms, refusal))
      << refusal;
    EXPECT_EQ(RTC::ddsTopicName(terms), "rt/positions");
    EXPECT_EQ(terms.qosXml, "/tmp/q.xml");
    EXPECT_EQ(terms.writerProfile, "w");
    EXPECT_EQ(terms.readerProfile, "r");
    EXPECT_EQ(terms.domainId, 7);
    EXPECT_EQ(terms.writerQos.reliability, RTC::TopicQos::Reliability::BestEffort);
    EXPECT_EQ(terms.writerQos.history, RTC::TopicQos::History::KeepAll);
    EXPECT_EQ(terms.readerQos.durability, RTC::TopicQos::Durability::TransientLocal);
    EXPECT_EQ(terms.readerQos.depth, 3);
    // The misspelt key is reported, not taken for the topic.
    EXPECT_EQ(terms.unknownKeys, std::vector<std::string>{"fastrtps.topik"});
  }

  TEST(TopicRules, TypeNamesOnTheWire)
  {
    EXPECT_EQ(RTC::ddsTypeName(RTC::Marshaling::Corba, "IDL:RTC/TimedString:1.0"),
              "RTC::TimedString");
    EXPECT_EQ(RTC::ddsTypeName(RTC::Marshaling::Ros2String, "IDL:RTC/TimedString:1.0"),
              "std_msgs::msg::dds_::String_");
    RTC::TopicTerms terms;
    EXPECT_EQ(RTC::ddsTopicName(terms), "chatter");
  }
}
