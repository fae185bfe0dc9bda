// The QoS of one connection's writer or reader: the named profile if there is one, else our
// defaults, then the per-connection keys over either.
#ifndef RTM_CONNECTORS_FASTDDSQOS_H
#define RTM_CONNECTORS_FASTDDSQOS_H

#include "TopicRules.h"

#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>

#include <cstddef>
#include <string>

namespace RTC
{
  // Our writer is reliable, so that ROS 2's default (reliable) readers match it as well as
  // OpenRTM-aist's best-effort ones, and keeps `depth` samples, so that values written within
  // one cycle all go out. False when the profile named is not there.
  bool writerQos(eprosima::fastdds::dds::Publisher& publisher, const TopicTerms& terms,
                 std::size_t depth, eprosima::fastdds::dds::DataWriterQos& qos,
                 std::string& problem);
  // Our reader is best effort and volatile, as OpenRTM-aist's, so it matches any writer.
  bool readerQos(eprosima::fastdds::dds::Subscriber& subscriber, const TopicTerms& terms,
                 std::size_t depth, eprosima::fastdds::dds::DataReaderQos& qos,
                 std::string& problem);
}

#endif
