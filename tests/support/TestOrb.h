// The ORB a test talks through as a client of other processes, started once. Its calls are
// bounded, so a peer or naming service that hangs cannot hang the test.
#ifndef TESTS_SUPPORT_TESTORB_H
#define TESTS_SUPPORT_TESTORB_H

#include <omniORB4/CORBA.h>

namespace testsupport
{
  CORBA::ORB_ptr testOrb();
}

#endif
