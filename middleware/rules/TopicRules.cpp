#include "TopicRules.h"

#include "ConnectorRules.h"
#include "TextUtil.h"

#include <cctype>
#include <cstdlib>

namespace RTC
{
  namespace
  {
    const char* const kRos2String = "ros2:std_msgs/String";
    // Fast DDS derives its ports from the domain: 7400 + 250 * id must stay below 65536.
    const int kMaxDomainId = 232;

    // The first of `keys` given; its value in `value`.
    bool givenAs(const coil::Properties& properties, std::initializer_list<const char*> keys,
                 std::string& key, std::string& value)
    {
      for (const char* candidate : keys)
        {
          if (properties.hasKey(dataportKey(candidate)) || properties.hasKey(candidate))
            {
              key = candidate;
              value = connectorValue(properties, candidate);
              return true;
            }
        }
      return false;
    }

    bool checkTopic(const std::string& key, const std::string& value, std::string& refusal)
    {
      // What DDS and ROS 2 both take: letters, digits, '_' and '/', starting with a letter.
      bool ok = !value.empty() && value.size() <= 200 &&
                std::isalpha(static_cast<unsigned char>(value[0])) != 0;
      for (char c : value)
        {
          ok = ok && (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '/');
        }
      ok = ok && value.find("//") == std::string::npos && value.back() != '/';
      if (ok) { return true; }
      return refuse(key, "a DDS topic name (a letter, then letters, digits, '_' or single '/')",
                    value, refusal);
    }

    bool checkNumber(const std::string& key, const std::string& value, int low, int high, int& out,
                     std::string& refusal)
    {
      char* end = nullptr;
      const long number = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || number < low || number > high)
        {
          return refuse(key, "a number from " + std::to_string(low) + " to " + std::to_string(high),
                        value, refusal);
        }
      out = static_cast<int>(number);
      return true;
    }

    // Takes Fast DDS's enumerator names (RELIABLE_RELIABILITY_QOS) and the short ones (reliable).
    std::string qosWord(const std::string& value, const std::string& suffix)
    {
      std::string word = toLower(value);
      if (word.size() > suffix.size() &&
          word.compare(word.size() - suffix.size(), suffix.size(), suffix) == 0)
        {
          word.resize(word.size() - suffix.size());
        }
      return word;
    }

    bool readQos(const coil::Properties& properties, const std::string& prefix, TopicQos& qos,
                 std::string& refusal)
    {
      std::string key;
      std::string value;
      if (givenAs(properties, {(prefix + "reliability.kind").c_str()}, key, value))
        {
          const std::string word = qosWord(value, "_reliability_qos");
          if (word == "reliable") { qos.reliability = TopicQos::Reliability::Reliable; }
          else if (word == "best_effort") { qos.reliability = TopicQos::Reliability::BestEffort; }
          else { return refuse(key, "reliable or best_effort", value, refusal); }
        }
      if (givenAs(properties, {(prefix + "durability.kind").c_str()}, key, value))
        {
          const std::string word = qosWord(value, "_durability_qos");
          if (word == "volatile") { qos.durability = TopicQos::Durability::Volatile; }
          else if (word == "transient_local")
            {
              qos.durability = TopicQos::Durability::TransientLocal;
            }
          else { return refuse(key, "volatile or transient_local", value, refusal); }
        }
      if (givenAs(properties, {(prefix + "history.kind").c_str()}, key, value))
        {
          const std::string word = qosWord(value, "_history_qos");
          if (word == "keep_last") { qos.history = TopicQos::History::KeepLast; }
          else if (word == "keep_all") { qos.history = TopicQos::History::KeepAll; }
          else { return refuse(key, "keep_last or keep_all", value, refusal); }
        }
      if (givenAs(properties, {(prefix + "history.depth").c_str()}, key, value) &&
          !checkNumber(key, value, 1, 100000, qos.depth, refusal))
        {
          return false;
        }
      return true;
    }

    const char* const kKnownKeys[] = {
      "fastrtps.topic",           "fast-rtps.topic",           "fastrtps.qosxml",
      "fast-rtps.qosxml",         "fastrtps.publisher.name",   "fast-rtps.publisher.name",
      "fastrtps.subscriber.name", "fast-rtps.subscriber.name", "fast-rtps.domain.id"};
    const char* const kQosKeys[] = {"reliability.kind", "durability.kind", "history.kind",
                                    "history.depth"};

    bool isKnown(std::string key)
    {
      key = toLower(key);
      for (const char* known : kKnownKeys)
        {
          if (key == known) { return true; }
        }
      for (const std::string side : {"fast-rtps.publisher.qos.", "fast-rtps.subscriber.qos."})
        {
          for (const char* qos : kQosKeys)
            {
              if (key == side + qos) { return true; }
            }
        }
      return false;
    }
  }

  bool isTopicConnector(const coil::Properties& properties)
  {
    return toLower(connectorValue(properties, "interface_type")) == kTopicInterface;
  }

  bool readTopicTerms(const coil::Properties& properties, TopicTerms& terms, std::string& refusal)
  {
    std::string key;
    std::string value;
    // Taken before it is judged, so that a refusal can name the topic as given.
    if (givenAs(properties, {"fastrtps.topic", "fast-rtps.topic"}, key, value))
      {
        terms.topic = value;
        if (!checkTopic(key, value, refusal)) { return false; }
      }
    const std::string marshaling = connectorValue(properties, "marshaling_type", "corba");
    if (marshaling == "corba") { terms.marshaling = Marshaling::Corba; }
    else if (marshaling == kRos2String) { terms.marshaling = Marshaling::Ros2String; }
    else
      {
        return refuse("marshaling_type", std::string("corba or ") + kRos2String, marshaling,
                      refusal);
      }
    if (givenAs(properties, {"fastrtps.QoSXML", "fast-rtps.QoSXML"}, key, value))
      {
        terms.qosXml = value;
      }
    if (givenAs(properties, {"fastrtps.publisher.name", "fast-rtps.publisher.name"}, key, value))
      {
        terms.writerProfile = value;
      }
    if (givenAs(properties, {"fastrtps.subscriber.name", "fast-rtps.subscriber.name"}, key, value))
      {
        terms.readerProfile = value;
      }
    if (givenAs(properties, {"fast-rtps.domain.id"}, key, value) &&
        !checkNumber(key, value, 0, kMaxDomainId, terms.domainId, refusal))
      {
        return false;
      }
    if (!readQos(properties, "fast-rtps.publisher.qos.", terms.writerQos, refusal) ||
        !readQos(properties, "fast-rtps.subscriber.qos.", terms.readerQos, refusal))
      {
        return false;
      }
    for (const std::string& name : properties.propertyNames())
      {
        const std::string bare = name.compare(0, 9, "dataport.") == 0 ? name.substr(9) : name;
        const std::string lower = toLower(bare);
        const bool family =
          lower.compare(0, 9, "fastrtps.") == 0 || lower.compare(0, 10, "fast-rtps.") == 0;
        if (family && !isKnown(bare)) { terms.unknownKeys.push_back(bare); }
      }
    return true;
  }

  std::string ddsTopicName(const TopicTerms& terms)
  {
    return terms.marshaling == Marshaling::Ros2String ? "rt/" + terms.topic : terms.topic;
  }

  std::string ddsTypeName(Marshaling marshaling, const std::string& dataType)
  {
    if (marshaling == Marshaling::Ros2String) { return "std_msgs::msg::dds_::String_"; }
    std::string name = dataType;
    if (name.compare(0, 4, "IDL:") == 0)
      {
        name = name.substr(4);
        const std::string::size_type version = name.rfind(':');
        if (version != std::string::npos) { name.resize(version); }
      }
    std::string::size_type slash;
    while ((slash = name.find('/')) != std::string::npos) { name.replace(slash, 1, "::"); }
    return name;
  }

  std::string topicEndName(const std::string& topic)
  {
    return "topic " + topic;
  }
}
