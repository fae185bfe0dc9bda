// A connection from an out port to a DDS topic: each value is marshaled and written by the
// connection's own DataWriter on the writer's thread. Fast DDS sends it (synchronously, it
// never waits for a reader: the history keeps the last `depth` values and replaces the oldest).
#ifndef RTM_CONNECTORS_TOPICWRITERCONNECTOR_H
#define RTM_CONNECTORS_TOPICWRITERCONNECTOR_H

#include "FastDdsDomain.h"
#include "OutPortConnector.h"

#include <fastdds/dds/publisher/DataWriter.hpp>

#include <atomic>
#include <mutex>

namespace RTC
{
  class TopicWriterConnector : public OutPortConnector
  {
  public:
    TopicWriterConnector(const ConnectionSettings& settings, Marshaling marshaling,
                         const TopicUse& use, eprosima::fastdds::dds::DataWriter* writer);
    ~TopicWriterConnector() override;
    TopicWriterConnector(const TopicWriterConnector&) = delete;
    TopicWriterConnector& operator=(const TopicWriterConnector&) = delete;

    // A topic has no reader to lose: true unless closed. A value Fast DDS did not take counts
    // as dropped.
    bool deliver(OutgoingValue& value) override;
    // Deletes the writer; the topic goes with its last connection.
    void close() override;
    ConnectionStatus status() override;

  private:
    const Marshaling m_marshaling;
    const TopicUse m_use;
    std::mutex m_mutex;   // guards m_writer against close while writing
    eprosima::fastdds::dds::DataWriter* m_writer;
    std::atomic<unsigned long long> m_dropped{0};
  };
}

#endif
