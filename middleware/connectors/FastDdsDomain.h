// The process's Fast DDS entities that connections share: one participant per domain (as
// OpenRTM-aist makes one per process), with one publisher and one subscriber, and each topic
// once, counted by the connections that use it. Thread-safe; entities are deleted when their
// last connection leaves, the participants with the process.
#ifndef RTM_CONNECTORS_FASTDDSDOMAIN_H
#define RTM_CONNECTORS_FASTDDSDOMAIN_H

#include "TopicRules.h"

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include <map>
#include <mutex>
#include <string>

namespace RTC
{
  // One connection's share of a topic.
  struct TopicUse
  {
    eprosima::fastdds::dds::Topic* topic = nullptr;
    eprosima::fastdds::dds::Publisher* publisher = nullptr;
    eprosima::fastdds::dds::Subscriber* subscriber = nullptr;
  };

  class FastDdsDomain
  {
  public:
    static FastDdsDomain& instance();

    // The topic of `terms`, carrying `typeName`; the participant is made from terms.qosXml's
    // participant_openrtm profile, else from Fast DDS's default profile (which the file named
    // by FASTRTPS_DEFAULT_PROFILES_FILE sets). False with the one line of refusal.
    bool openTopic(const TopicTerms& terms, const std::string& typeName, TopicUse& use,
                   std::string& problem);
    // After the connection's reader or writer is deleted.
    void closeTopic(const TopicUse& use);

  private:
    struct Participant
    {
      eprosima::fastdds::dds::DomainParticipant* participant = nullptr;
      eprosima::fastdds::dds::Publisher* publisher = nullptr;
      eprosima::fastdds::dds::Subscriber* subscriber = nullptr;
      std::map<eprosima::fastdds::dds::Topic*, int> uses;
    };

    Participant* participantLocked(const TopicTerms& terms, std::string& problem);

    std::mutex m_mutex;                          // guards m_participants and every entity they own
    std::map<int, Participant> m_participants;   // by domain id
  };
}

#endif
