// The build without Fast DDS: topics are refused, saying why.
#include "TopicTransport.h"

namespace RTC
{
  namespace
  {
    const char* const kNoFastDds =
      "interface_type fast-rtps needs Fast DDS, which this build of the middleware does not have "
      "(install libfastrtps-dev and build again)";
  }

  std::shared_ptr<OutPortConnector> joinTopicAsWriter(const ConnectionSettings&, const TopicTerms&,
                                                      const std::string&, std::string& problem)
  {
    problem = kNoFastDds;
    return nullptr;
  }

  std::unique_ptr<TopicReaderEnd> joinTopicAsReader(const ConnectionSettings&, const TopicTerms&,
                                                    InPortBase&,
                                                    const std::shared_ptr<ConnectionBuffer>&,
                                                    std::string& problem)
  {
    problem = kNoFastDds;
    return nullptr;
  }
}
