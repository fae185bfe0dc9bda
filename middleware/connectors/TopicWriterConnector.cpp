#include "TopicWriterConnector.h"

#include "TopicPayload.h"

namespace RTC
{
  using eprosima::fastrtps::types::ReturnCode_t;

  TopicWriterConnector::TopicWriterConnector(const ConnectionSettings& settings,
                                             Marshaling marshaling, const TopicUse& use,
                                             eprosima::fastdds::dds::DataWriter* writer)
    : OutPortConnector(settings), m_marshaling(marshaling), m_use(use), m_writer(writer)
  {
  }

  TopicWriterConnector::~TopicWriterConnector()
  {
    close();
  }

  bool TopicWriterConnector::deliver(OutgoingValue& value)
  {
    EncodedValue payload;
    const bool made = toTopicPayload(m_marshaling, value.native(), payload);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_writer == nullptr) { return false; }
    if (!made || !m_writer->write(&payload)) { ++m_dropped; }
    return true;
  }

  void TopicWriterConnector::close()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_writer == nullptr) { return; }
    m_use.publisher->delete_datawriter(m_writer);
    m_writer = nullptr;
    FastDdsDomain::instance().closeTopic(m_use);
  }

  ConnectionStatus TopicWriterConnector::status()
  {
    ConnectionStatus status;
    status.settings = settings();
    status.dropped = m_dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    eprosima::fastdds::dds::PublicationMatchedStatus matched;
    if (m_writer != nullptr &&
        m_writer->get_publication_matched_status(matched) == ReturnCode_t::RETCODE_OK)
      {
        status.matched = matched.current_count;
      }
    return status;
  }
}
