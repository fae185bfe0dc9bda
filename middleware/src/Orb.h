// Starts the ORB the middleware runs on, listening where corba.endpoint says (loopback unless
// the operator opened it).
#ifndef RTM_SRC_ORB_H
#define RTM_SRC_ORB_H

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>

namespace RTC
{
  CORBA::ORB_ptr initOrb(const coil::Properties& config);
}

#endif
