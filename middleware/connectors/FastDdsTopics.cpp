// The topic module: joining ports to topics on Fast DDS (the shared topic, the QoS, then the
// connection's own writer or reader). The middleware loads it on the first join.
#include "FastDdsDomain.h"
#include "FastDdsQos.h"
#include "TopicPayload.h"
#include "TopicReaderConnector.h"
#include "TopicTransport.h"
#include "TopicWriterConnector.h"

namespace RTC
{
  namespace dds = eprosima::fastdds::dds;

  static std::shared_ptr<OutPortConnector> writerOnTopic(const ConnectionSettings& settings,
                                                         const TopicTerms& terms,
                                                         const std::string& dataType,
                                                         std::string& problem)
  {
    TopicUse use;
    if (!checkMarshaling(terms.marshaling, dataType, problem) ||
        !FastDdsDomain::instance().openTopic(terms, ddsTypeName(terms.marshaling, dataType), use,
                                             problem))
      {
        return nullptr;
      }
    dds::DataWriterQos qos;
    dds::DataWriter* writer = nullptr;
    if (writerQos(*use.publisher, terms, settings.bufferLength, qos, problem))
      {
        writer = use.publisher->create_datawriter(use.topic, qos);
        if (writer == nullptr) { problem = "Fast DDS refuses a writer with this QoS"; }
      }
    if (writer == nullptr)
      {
        FastDdsDomain::instance().closeTopic(use);
        return nullptr;
      }
    return std::make_shared<TopicWriterConnector>(settings, terms.marshaling, use, writer);
  }

  static std::unique_ptr<TopicReaderEnd>
  readerOnTopic(const ConnectionSettings& settings, const TopicTerms& terms, InPortBase& port,
                const std::shared_ptr<ConnectionBuffer>& buffer, std::string& problem)
  {
    TopicUse use;
    if (!checkMarshaling(terms.marshaling, port.dataType(), problem) ||
        !FastDdsDomain::instance().openTopic(terms, ddsTypeName(terms.marshaling, port.dataType()),
                                             use, problem))
      {
        return nullptr;
      }
    // From here the reader end lets go of the topic, whatever happens.
    std::unique_ptr<TopicReaderConnector> reader(
      new TopicReaderConnector(terms.marshaling, use, port, buffer));
    dds::DataReaderQos qos;
    if (!readerQos(*use.subscriber, terms, settings.bufferLength, qos, problem)) { return nullptr; }
    if (!reader->start(qos))
      {
        problem = "Fast DDS refuses a reader with this QoS";
        return nullptr;
      }
    return reader;
  }
}

// The entry points the middleware looks up by name (C names, so no mangling to agree on).
extern "C" void rtmJoinTopicAsWriter(const RTC::ConnectionSettings& settings,
                                     const RTC::TopicTerms& terms, const std::string& dataType,
                                     std::shared_ptr<RTC::OutPortConnector>& writer,
                                     std::string& problem)
{
  writer = RTC::writerOnTopic(settings, terms, dataType, problem);
}

extern "C" void rtmJoinTopicAsReader(const RTC::ConnectionSettings& settings,
                                     const RTC::TopicTerms& terms, RTC::InPortBase& port,
                                     const std::shared_ptr<RTC::ConnectionBuffer>& buffer,
                                     std::unique_ptr<RTC::TopicReaderEnd>& reader,
                                     std::string& problem)
{
  reader = RTC::readerOnTopic(settings, terms, port, buffer, problem);
}
