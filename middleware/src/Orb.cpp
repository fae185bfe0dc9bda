#include "Orb.h"

#include <sstream>
#include <vector>

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

  CORBA::ORB_ptr initOrb(const coil::Properties& config)
  {
    std::vector<std::string> arguments = {
      "rtm",
      "-ORBendPoint",
      orbEndpoint(config.getProperty("corba.endpoint")),
      // A dead peer must not hold a writer for long: calls and connects are bounded.
      "-ORBclientCallTimeOutPeriod",
      "2000",
      "-ORBclientConnectTimeOutPeriod",
      "2000",
    };
    // corba.args: further ORB options as the operator writes them, e.g. "-ORBtraceLevel 10".
    std::istringstream extra(config.getProperty("corba.args"));
    for (std::string word; extra >> word;) { arguments.push_back(word); }
    std::vector<char*> argv;
    for (std::string& argument : arguments) { argv.push_back(&argument[0]); }
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());
    return CORBA::ORB_init(argc, argv.data());
  }
}
