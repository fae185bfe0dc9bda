// The ORB a test talks through as a client of other processes, started once. Its calls are
// bounded, so a peer or naming service that hangs cannot hang the test.
#ifndef TESTS_SUPPORT_TESTORB_H
#define TESTS_SUPPORT_TESTORB_H

#include <omniORB4/CORBA.h>

#include <string>

namespace testsupport
{
  CORBA::ORB_ptr testOrb();

  // The object bound as `path` ("InKorvane0.rtc") in the naming service at `address`; throws the
  // CORBA exception of the failed look-up.
  CORBA::Object_ptr resolveName(const std::string& address, const std::string& path);
}

#endif
