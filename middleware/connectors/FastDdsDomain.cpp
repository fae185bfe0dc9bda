#include "FastDdsDomain.h"

#include "PayloadType.h"

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

namespace RTC
{
  namespace dds = eprosima::fastdds::dds;
  using eprosima::fastrtps::types::ReturnCode_t;

  namespace
  {
    // The participant profile OpenRTM-aist 2.0.2 takes from a fastrtps.QoSXML file.
    const char* const kParticipantProfile = "participant_openrtm";
  }

  FastDdsDomain& FastDdsDomain::instance()
  {
    static FastDdsDomain domain;
    return domain;
  }

  FastDdsDomain::Participant* FastDdsDomain::participantLocked(const TopicTerms& terms,
                                                               std::string& problem)
  {
    auto found = m_participants.find(terms.domainId);
    if (found != m_participants.end()) { return &found->second; }
    dds::DomainParticipantFactory* factory = dds::DomainParticipantFactory::get_instance();
    Participant made;
    if (!terms.qosXml.empty())
      {
        if (factory->load_XML_profiles_file(terms.qosXml) != ReturnCode_t::RETCODE_OK)
          {
            problem = "fastrtps.QoSXML: cannot load '" + terms.qosXml + "' as Fast DDS profiles";
            return nullptr;
          }
        made.participant =
          factory->create_participant_with_profile(terms.domainId, kParticipantProfile);
        if (made.participant == nullptr)
          {
            problem = "fastrtps.QoSXML: '" + terms.qosXml + "' has no usable participant profile " +
                      kParticipantProfile;
            return nullptr;
          }
      }
    else
      {
        made.participant =
          factory->create_participant(terms.domainId, dds::PARTICIPANT_QOS_DEFAULT);
      }
    if (made.participant == nullptr)
      {
        problem = "Fast DDS cannot make a participant in domain " + std::to_string(terms.domainId);
        return nullptr;
      }
    made.publisher = made.participant->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
    made.subscriber = made.participant->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
    if (made.publisher == nullptr || made.subscriber == nullptr)
      {
        made.participant->delete_contained_entities();
        factory->delete_participant(made.participant);
        problem = "Fast DDS cannot make a publisher and subscriber";
        return nullptr;
      }
    return &(m_participants[terms.domainId] = made);
  }

  bool FastDdsDomain::openTopic(const TopicTerms& terms, const std::string& typeName, TopicUse& use,
                                std::string& problem)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    Participant* entry = participantLocked(terms, problem);
    if (entry == nullptr) { return false; }
    dds::DomainParticipant* participant = entry->participant;
    const std::string topicName = ddsTopicName(terms);
    if (participant->find_type(typeName).empty())
      {
        dds::TypeSupport type(new PayloadType(typeName));
        if (type.register_type(participant) != ReturnCode_t::RETCODE_OK)
          {
            problem = "Fast DDS refuses the type name " + typeName;
            return false;
          }
      }
    dds::Topic* topic = nullptr;
    for (auto& known : entry->uses)
      {
        if (known.first->get_name() == topicName) { topic = known.first; }
      }
    if (topic != nullptr && topic->get_type_name() != typeName)
      {
        problem = "topic " + topicName + " carries " + topic->get_type_name() +
                  " in this process, not " + typeName;
        return false;
      }
    if (topic == nullptr)
      {
        topic = participant->create_topic(topicName, typeName, dds::TOPIC_QOS_DEFAULT);
        if (topic == nullptr)
          {
            problem = "Fast DDS refuses the topic name '" + topicName + "'";
            return false;
          }
      }
    ++entry->uses[topic];
    use.topic = topic;
    use.publisher = entry->publisher;
    use.subscriber = entry->subscriber;
    return true;
  }

  void FastDdsDomain::closeTopic(const TopicUse& use)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_participants)
      {
        auto found = entry.second.uses.find(use.topic);
        if (found == entry.second.uses.end()) { continue; }
        if (--found->second == 0)
          {
            entry.second.participant->delete_topic(use.topic);
            entry.second.uses.erase(found);
          }
        return;
      }
  }
}
