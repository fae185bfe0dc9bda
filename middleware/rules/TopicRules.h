// What a connector with interface_type fast-rtps asks for: the topic a port joins, how values
// are marshaled onto it, and the DDS quality of service. OpenRTM-aist 2.0.2 spells the keys
// `fastrtps.*`; later versions `fast-rtps.*` and add per-connection QoS and the domain. Both are
// read here, without Fast DDS, so that every build judges them alike.
#ifndef RTM_RULES_TOPICRULES_H
#define RTM_RULES_TOPICRULES_H

#include <coil/Properties.h>

#include <string>
#include <vector>

namespace RTC
{
  enum class Marshaling
  {
    Corba,       // the port's IDL type as CDR, as OpenRTM-aist's corba marshaling
    Ros2String   // ROS 2 std_msgs/String holding the text of a TimedString
  };

  // One entity's QoS; Unset leaves the profile's (or our default) in place.
  struct TopicQos
  {
    enum class Reliability
    {
      Unset,
      Reliable,
      BestEffort
    } reliability = Reliability::Unset;
    enum class Durability
    {
      Unset,
      Volatile,
      TransientLocal
    } durability = Durability::Unset;
    enum class History
    {
      Unset,
      KeepLast,
      KeepAll
    } history = History::Unset;
    int depth = 0;   // 0: not given
  };

  struct TopicTerms
  {
    std::string topic = "chatter";   // as given; see ddsTopicName
    Marshaling marshaling = Marshaling::Corba;
    std::string qosXml;          // a Fast DDS profile file; empty: the process's defaults
    std::string writerProfile;   // profile names in qosXml (or the default file)
    std::string readerProfile;
    int domainId = 0;
    TopicQos writerQos;
    TopicQos readerQos;
    std::vector<std::string> unknownKeys;   // fastrtps.* / fast-rtps.* keys we do not know
  };

  // True when the connector properties (keys with or without "dataport.") ask for a topic.
  bool isTopicConnector(const coil::Properties& properties);

  // Reads every topic key; false with the one line of refusal for the first bad value. Keys of
  // the topic families that are not known land in terms.unknownKeys for the caller to warn of.
  bool readTopicTerms(const coil::Properties& properties, TopicTerms& terms, std::string& refusal);

  // The name on the wire: ROS 2 puts its topics under "rt/".
  std::string ddsTopicName(const TopicTerms& terms);
  // The DDS type name for a port of `dataType` ("IDL:RTC/TimedString:1.0" -> "RTC::TimedString"),
  // or ROS 2's for std_msgs/String.
  std::string ddsTypeName(Marshaling marshaling, const std::string& dataType);
  // "topic NAME" as listings and connector names show the far end of a topic connection.
  std::string topicEndName(const std::string& topic);
}

#endif
