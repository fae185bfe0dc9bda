#include "TestOrb.h"

#include "OrbArguments.h"

#include <chrono>

namespace testsupport
{
  CORBA::ORB_ptr testOrb()
  {
    static CORBA::ORB_var orb = [] {
      RTC::OrbOptions options;
      options.program = "test";
      options.callTimeout = std::chrono::milliseconds(2000);
      RTC::ArgumentVector arguments = RTC::orbArguments(options);
      return CORBA::ORB_var(CORBA::ORB_init(arguments.argc(), arguments.argv()));
    }();
    return orb.in();
  }
}
