// Starts the ORB the middleware runs on, listening where corba.endpoint says (loopback unless
// the operator opened it).
#ifndef RTM_SRC_ORB_H
#define RTM_SRC_ORB_H

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>

#include <string>

namespace RTC
{
  // "host:port", "host:", ":port" or empty; an empty host means 127.0.0.1.
  std::string orbEndpoint(const std::string& corbaEndpoint);
  CORBA::ORB_ptr initOrb(const coil::Properties& config);
}

#endif
