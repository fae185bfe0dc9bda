#include "TopicReaderConnector.h"

#include "ConnectionBuffer.h"
#include "Log.h"
#include "TopicPayload.h"

#include <fastdds/dds/subscriber/SampleInfo.hpp>

namespace RTC
{
  namespace dds = eprosima::fastdds::dds;
  using eprosima::fastrtps::types::ReturnCode_t;

  TopicReaderConnector::TopicReaderConnector(Marshaling marshaling, const TopicUse& use,
                                             InPortBase& port,
                                             const std::shared_ptr<ConnectionBuffer>& buffer)
    : m_marshaling(marshaling), m_use(use), m_port(port), m_buffer(buffer)
  {
  }

  TopicReaderConnector::~TopicReaderConnector()
  {
    if (m_reader != nullptr)
      {
        m_reader->set_listener(nullptr);
        m_use.subscriber->delete_datareader(m_reader);
      }
    FastDdsDomain::instance().closeTopic(m_use);
  }

  bool TopicReaderConnector::start(const dds::DataReaderQos& qos)
  {
    m_reader = m_use.subscriber->create_datareader(m_use.topic, qos, this);
    return m_reader != nullptr;
  }

  int TopicReaderConnector::matched()
  {
    dds::SubscriptionMatchedStatus status;
    return m_reader->get_subscription_matched_status(status) == ReturnCode_t::RETCODE_OK
             ? status.current_count
             : 0;
  }

  void TopicReaderConnector::on_data_available(dds::DataReader* reader)
  {
    EncodedValue payload;
    dds::SampleInfo info;
    while (reader->take_next_sample(&payload, &info) == ReturnCode_t::RETCODE_OK)
      {
        if (!info.valid_data) { continue; }
        EncodedValue value;
        bool swapped = false;
        bool accepted = fromTopicPayload(m_marshaling, payload, value, swapped);
        if (accepted && !m_port.acceptEncoded(value, swapped))
          {
            // OpenRTM-aist pads its CDR to a multiple of 4: the value ends before the padding.
            accepted = false;
            for (int pad = 0; pad < 3 && !accepted && !value.empty() && value.back() == 0; ++pad)
              {
                value.pop_back();
                accepted = m_port.acceptEncoded(value, swapped);
              }
          }
        if (!accepted)
          {
            if (!m_warned.exchange(true))
              {
                Log::warn("port " + std::string(m_port.getName()) + ": connection '" +
                          m_buffer->settings().name + "' received samples that are not a " +
                          m_port.dataType() + " value; such samples are dropped");
              }
            continue;
          }
        m_buffer->store(std::move(value));
      }
  }
}
