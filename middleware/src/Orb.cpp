#include "Orb.h"

#include "OrbArguments.h"

namespace RTC
{
  CORBA::ORB_ptr initOrb(const coil::Properties& config)
  {
    OrbOptions options;
    options.endpoint = orbEndpoint(config.getProperty("corba.endpoint"));
    // A dead peer must not hold a writer for long: calls and connects are bounded.
    options.callTimeout = std::chrono::milliseconds(2000);
    options.connectTimeout = std::chrono::milliseconds(2000);
    // corba.args: further ORB options as the operator writes them, e.g. "-ORBtraceLevel 10".
    options.extra = config.getProperty("corba.args");
    ArgumentVector arguments = orbArguments(options);
    return CORBA::ORB_init(arguments.argc(), arguments.argv());
  }
}
