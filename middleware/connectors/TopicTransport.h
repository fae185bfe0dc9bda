// Ports joined to DDS topics (interface_type fast-rtps). Built on Fast DDS when the build found
// it (FastDdsTopics.cpp); otherwise every join is refused with one line (NoTopics.cpp).
#ifndef RTM_CONNECTORS_TOPICTRANSPORT_H
#define RTM_CONNECTORS_TOPICTRANSPORT_H

#include <rtm/InPortBase.h>

#include "OutPortConnector.h"
#include "TopicRules.h"

#include <memory>
#include <string>

namespace RTC
{
  class ConnectionBuffer;

  // Keeps an in port's reader on its topic; destroying it leaves the topic, after which no
  // value reaches the buffer or the port.
  class TopicReaderEnd
  {
  public:
    virtual ~TopicReaderEnd() = default;
    // The writers matched now.
    virtual int matched() = 0;
  };

  // A connector writing each value of a port of `dataType` onto the topic. Null with the
  // refusal in `problem`. Makes the process's participant on first use.
  std::shared_ptr<OutPortConnector> joinTopicAsWriter(const ConnectionSettings& settings,
                                                      const TopicTerms& terms,
                                                      const std::string& dataType,
                                                      std::string& problem);

  // Puts each value of the topic, once `port` has accepted it, into `buffer`, on a Fast DDS
  // thread. Null with the refusal in `problem`.
  std::unique_ptr<TopicReaderEnd> joinTopicAsReader(const ConnectionSettings& settings,
                                                    const TopicTerms& terms, InPortBase& port,
                                                    const std::shared_ptr<ConnectionBuffer>& buffer,
                                                    std::string& problem);
}

#endif
