#include "FastDdsQos.h"

namespace RTC
{
  namespace dds = eprosima::fastdds::dds;
  using eprosima::fastrtps::types::ReturnCode_t;

  namespace
  {
    template <typename Qos> void applyKeys(const TopicQos& keys, Qos& qos)
    {
      switch (keys.reliability)
        {
        case TopicQos::Reliability::Reliable:
          qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
          break;
        case TopicQos::Reliability::BestEffort:
          qos.reliability().kind = dds::BEST_EFFORT_RELIABILITY_QOS;
          break;
        case TopicQos::Reliability::Unset: break;
        }
      switch (keys.durability)
        {
        case TopicQos::Durability::Volatile:
          qos.durability().kind = dds::VOLATILE_DURABILITY_QOS;
          break;
        case TopicQos::Durability::TransientLocal:
          qos.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
          break;
        case TopicQos::Durability::Unset: break;
        }
      switch (keys.history)
        {
        case TopicQos::History::KeepLast: qos.history().kind = dds::KEEP_LAST_HISTORY_QOS; break;
        case TopicQos::History::KeepAll: qos.history().kind = dds::KEEP_ALL_HISTORY_QOS; break;
        case TopicQos::History::Unset: break;
        }
      if (keys.depth > 0) { qos.history().depth = keys.depth; }
    }

    template <typename Qos>
    void applyDefaults(std::size_t depth, dds::ReliabilityQosPolicyKind reliability, Qos& qos)
    {
      qos.reliability().kind = reliability;
      qos.durability().kind = dds::VOLATILE_DURABILITY_QOS;
      qos.history().kind = dds::KEEP_LAST_HISTORY_QOS;
      qos.history().depth = static_cast<int32_t>(depth);
    }
  }

  bool writerQos(dds::Publisher& publisher, const TopicTerms& terms, std::size_t depth,
                 dds::DataWriterQos& qos, std::string& problem)
  {
    if (!terms.writerProfile.empty())
      {
        if (publisher.get_datawriter_qos_from_profile(terms.writerProfile, qos) !=
            ReturnCode_t::RETCODE_OK)
          {
            problem = "fastrtps.publisher.name: no writer profile '" + terms.writerProfile + "'";
            return false;
          }
      }
    else
      {
        qos = publisher.get_default_datawriter_qos();
        applyDefaults(depth, dds::RELIABLE_RELIABILITY_QOS, qos);
      }
    applyKeys(terms.writerQos, qos);
    return true;
  }

  bool readerQos(dds::Subscriber& subscriber, const TopicTerms& terms, std::size_t depth,
                 dds::DataReaderQos& qos, std::string& problem)
  {
    if (!terms.readerProfile.empty())
      {
        if (subscriber.get_datareader_qos_from_profile(terms.readerProfile, qos) !=
            ReturnCode_t::RETCODE_OK)
          {
            problem = "fastrtps.subscriber.name: no reader profile '" + terms.readerProfile + "'";
            return false;
          }
      }
    else
      {
        qos = subscriber.get_default_datareader_qos();
        applyDefaults(depth, dds::BEST_EFFORT_RELIABILITY_QOS, qos);
      }
    applyKeys(terms.readerQos, qos);
    return true;
  }
}
