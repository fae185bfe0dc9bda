// A connection from a DDS topic to an in port: Fast DDS's listener thread takes each sample,
// unmarshals it and, once the port accepts it as a value of its type, stores it in the
// connection's buffer, where the port's component reads it as from any connection.
#ifndef RTM_CONNECTORS_TOPICREADERCONNECTOR_H
#define RTM_CONNECTORS_TOPICREADERCONNECTOR_H

#include "FastDdsDomain.h"
#include "TopicTransport.h"

#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>

#include <atomic>

namespace RTC
{
  class TopicReaderConnector : public TopicReaderEnd,
                               public eprosima::fastdds::dds::DataReaderListener
  {
  public:
    TopicReaderConnector(Marshaling marshaling, const TopicUse& use, InPortBase& port,
                         const std::shared_ptr<ConnectionBuffer>& buffer);
    // Deletes the reader (no callback runs after) and lets go of the topic.
    ~TopicReaderConnector() override;
    TopicReaderConnector(const TopicReaderConnector&) = delete;
    TopicReaderConnector& operator=(const TopicReaderConnector&) = delete;

    // False when Fast DDS refuses the reader with this QoS.
    bool start(const eprosima::fastdds::dds::DataReaderQos& qos);

    int matched() override;
    void on_data_available(eprosima::fastdds::dds::DataReader* reader) override;

  private:
    const Marshaling m_marshaling;
    const TopicUse m_use;
    InPortBase& m_port;
    const std::shared_ptr<ConnectionBuffer> m_buffer;
    eprosima::fastdds::dds::DataReader* m_reader = nullptr;
    std::atomic<bool> m_warned{false};   // one warning for samples the port refuses
  };
}

#endif
