#include "OrbArguments.h"

#include <sstream>
#include <utility>

namespace RTC
{
  std::string orbEndpoint(const std::string& corbaEndpoint)
  {
    std::string host = corbaEndpoint;
    std::string port;
    std::string::size_type colon = corbaEndpoint.rfind(':');
    if (colon != std::string::npos)
      {
        host = corbaEndpoint.substr(0, colon);
        port = corbaEndpoint.substr(colon + 1);
      }
    if (host.empty()) { host = "127.0.0.1"; }
    return "giop:tcp:" + host + ":" + port;
  }

  std::vector<std::string> orbOptionWords(const OrbOptions& options)
  {
    std::vector<std::string> words;
    if (!options.endpoint.empty())
      {
        words.push_back("-ORBendPoint");
        words.push_back(options.endpoint);
      }
    if (options.callTimeout.count() > 0)
      {
        words.push_back("-ORBclientCallTimeOutPeriod");
        words.push_back(std::to_string(options.callTimeout.count()));
      }
    if (options.connectTimeout.count() > 0)
      {
        words.push_back("-ORBclientConnectTimeOutPeriod");
        words.push_back(std::to_string(options.connectTimeout.count()));
      }
    std::istringstream extra(options.extra);
    for (std::string word; extra >> word;) { words.push_back(word); }
    return words;
  }

  ArgumentVector orbArguments(const OrbOptions& options)
  {
    std::vector<std::string> words = {options.program};
    const std::vector<std::string> rest = orbOptionWords(options);
    words.insert(words.end(), rest.begin(), rest.end());
    return ArgumentVector(std::move(words));
  }
}
