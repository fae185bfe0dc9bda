// Ports joined to DDS topics (interface_type fast-rtps). The Fast DDS side is a module loaded on
// the first join (FastDdsTopics.cpp, built when the build found Fast DDS); without it every join
// is refused with one line (TopicTransport.cpp).
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

  // The interface types a data port of this build can connect through, as a port profile lists
  // them: "corba_cdr", and "fast-rtps" where the build has the topic module.
  const char* portInterfaceTypes();

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

  // The module's two entry points, found by these names: rtmJoinTopicAsWriter and
  // rtmJoinTopicAsReader. They set the connector or reader end, or leave it null with the
  // refusal in `problem`.
  using JoinTopicAsWriter = void(const ConnectionSettings&, const TopicTerms&, const std::string&,
                                 std::shared_ptr<OutPortConnector>&, std::string&);
  using JoinTopicAsReader = void(const ConnectionSettings&, const TopicTerms&, InPortBase&,
                                 const std::shared_ptr<ConnectionBuffer>&,
                                 std::unique_ptr<TopicReaderEnd>&, std::string&);
}

#endif
