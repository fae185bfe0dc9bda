// Calling the other ports of a connection: every call bounded, a nil reference refused.
#ifndef RTM_REMOTE_PEERPORT_H
#define RTM_REMOTE_PEERPORT_H

#include <rtm/idl/RtcInterfaces.hh>

#include "CallTimeouts.h"

#include <chrono>
#include <string>

namespace RTC
{
  // A copy of `port` whose calls give up after `timeout`. A nil port in a profile from outside
  // shows as BAD_PARAM, like a port that does not answer.
  inline RTC::PortService_ptr peerPort(RTC::PortService_ptr port, std::chrono::milliseconds timeout)
  {
    if (CORBA::is_nil(port)) { throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO); }
    RTC::PortService_ptr copy = RTC::PortService::_duplicate(port);
    CallTimeouts::apply(copy, timeout);
    return copy;
  }

  // Whether `port` is `self`; false for a nil port.
  inline bool samePort(RTC::PortService_ptr port, RTC::PortService_ptr self)
  {
    return !CORBA::is_nil(port) && port->_is_equivalent(self);
  }

  // What messages call a connection: its name, else its id.
  inline std::string connectionName(const RTC::ConnectorProfile& profile)
  {
    const std::string name = profile.name.in();
    return name.empty() ? std::string(profile.connector_id.in()) : name;
  }
}

#endif
