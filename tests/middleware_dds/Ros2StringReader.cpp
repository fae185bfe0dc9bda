#include "Ros2StringReader.h"

#include "Wait.h"

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/DomainParticipantListener.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/TopicDataType.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>
#include <fastdds/rtps/common/Locator.h>

#include <mutex>
#include <sstream>

namespace ddstest
{
  namespace dds = eprosima::fastdds::dds;
  namespace rtps = eprosima::fastrtps::rtps;

  namespace
  {
    // std_msgs/String: one string field, as ROS 2's public message definition has it.
    class StringType : public dds::TopicDataType
    {
    public:
      StringType()
      {
        setName("std_msgs::msg::dds_::String_");
        m_typeSize = 4 + 4 + 256;
        m_isGetKeyDefined = false;
        auto_fill_type_object(false);
        auto_fill_type_information(false);
      }
      bool serialize(void*, rtps::SerializedPayload_t*) override { return false; }
      bool deserialize(rtps::SerializedPayload_t* payload, void* data) override
      {
        eprosima::fastcdr::FastBuffer buffer(reinterpret_cast<char*>(payload->data),
                                             payload->length);
        eprosima::fastcdr::Cdr cdr(buffer, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN,
                                   eprosima::fastcdr::Cdr::DDS_CDR);
        try
          {
            cdr.read_encapsulation();
            cdr >> *static_cast<std::string*>(data);
          }
        catch (const eprosima::fastcdr::exception::Exception&)
          {
            return false;
          }
        return true;
      }
      std::function<uint32_t()> getSerializedSizeProvider(void* data) override
      {
        return
          [data] { return static_cast<uint32_t>(8 + static_cast<std::string*>(data)->size() + 1); };
      }
      void* createData() override { return new std::string(); }
      void deleteData(void* data) override { delete static_cast<std::string*>(data); }
      bool getKey(void*, rtps::InstanceHandle_t*, bool) override { return false; }
    };

    std::string text(const rtps::Locator_t& locator)
    {
      std::ostringstream out;
      out << rtps::IPLocator::toIPv4string(locator) << ":" << locator.port;
      return out.str();
    }
  }

  struct Ros2StringReader::Impl : public dds::DomainParticipantListener
  {
    void on_participant_discovery(dds::DomainParticipant*,
                                  rtps::ParticipantDiscoveryInfo&& info) override
    {
      std::lock_guard<std::mutex> lock(mutex);
      ++participants;
      for (const auto* list : {&info.info.metatraffic_locators, &info.info.default_locators})
        {
          for (const rtps::Locator_t& locator : list->unicast)
            {
              locators.push_back(text(locator));
            }
          for (const rtps::Locator_t& locator : list->multicast)
            {
              locators.push_back(text(locator));
            }
        }
    }

    void on_subscription_matched(dds::DataReader*,
                                 const dds::SubscriptionMatchedStatus& status) override
    {
      std::lock_guard<std::mutex> lock(mutex);
      matched = status.current_count;
    }

    void on_data_available(dds::DataReader* from) override
    {
      std::string value;
      dds::SampleInfo info;
      while (from->take_next_sample(&value, &info) == ReturnCode_t::RETCODE_OK)
        {
          if (!info.valid_data) { continue; }
          std::lock_guard<std::mutex> lock(mutex);
          received.push_back(value);
        }
    }

    using ReturnCode_t = eprosima::fastrtps::types::ReturnCode_t;
    std::mutex mutex;
    std::vector<std::string> received;
    std::vector<std::string> locators;
    std::size_t participants = 0;
    int matched = 0;
    dds::DomainParticipant* participant = nullptr;
    dds::Subscriber* subscriber = nullptr;
    dds::Topic* topic = nullptr;
    dds::DataReader* reader = nullptr;
  };

  Ros2StringReader::Ros2StringReader(const std::string& topic, int domain) : m_impl(new Impl)
  {
    dds::DomainParticipantFactory* factory = dds::DomainParticipantFactory::get_instance();
    Impl& impl = *m_impl;
    impl.participant = factory->create_participant(domain, dds::PARTICIPANT_QOS_DEFAULT, &impl,
                                                   dds::StatusMask::none());
    dds::TypeSupport type(new StringType());
    type.register_type(impl.participant);
    impl.topic =
      impl.participant->create_topic(topic, type.get_type_name(), dds::TOPIC_QOS_DEFAULT);
    impl.subscriber = impl.participant->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
    dds::DataReaderQos qos = impl.subscriber->get_default_datareader_qos();
    qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
    qos.durability().kind = dds::VOLATILE_DURABILITY_QOS;
    qos.history().kind = dds::KEEP_LAST_HISTORY_QOS;
    qos.history().depth = 10;
    impl.reader = impl.subscriber->create_datareader(impl.topic, qos, &impl);
  }

  Ros2StringReader::~Ros2StringReader()
  {
    m_impl->participant->delete_contained_entities();
    dds::DomainParticipantFactory::get_instance()->delete_participant(m_impl->participant);
  }

  bool Ros2StringReader::waitForWriter(std::chrono::milliseconds patience)
  {
    return testsupport::waitUntil(
      [this] {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        return m_impl->matched > 0;
      },
      patience);
  }

  std::vector<std::string> Ros2StringReader::texts()
  {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->received;
  }

  std::vector<std::string> Ros2StringReader::announcedLocators()
  {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->locators;
  }

  std::size_t Ros2StringReader::participantsSeen()
  {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->participants;
  }
}
