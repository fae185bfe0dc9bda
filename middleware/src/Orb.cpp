#include "Orb.h"

#include "OrbArguments.h"
#include "TimeOuts.h"

namespace RTC
{
  CORBA::ORB_ptr initOrb(const coil::Properties& config)
  {
    OrbOptions options;
    options.endpoint = orbEndpoint(config.getProperty("corba.endpoint"));
    options.callTimeout = TimeOuts::kOrbCall;
    options.connectTimeout = TimeOuts::kOrbConnect;
    // corba.args: further ORB options as the operator writes them, e.g. "-ORBtraceLevel 10".
    options.extra = config.getProperty("corba.args");
    ArgumentVector arguments = orbArguments(options);
    return CORBA::ORB_init(arguments.argc(), arguments.argv());
  }
}
