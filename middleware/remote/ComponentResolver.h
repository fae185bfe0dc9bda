// Finds components of other processes in a naming service by path, waiting a bounded time
// for one that is not registered yet (its process may be starting right now).
#ifndef RTM_REMOTE_COMPONENTRESOLVER_H
#define RTM_REMOTE_COMPONENTRESOLVER_H

#include <omniORB4/CORBA.h>
#include <rtm/idl/RtcInterfaces.hh>

#include <chrono>
#include <string>

namespace RTC
{
  // Resolves `path` (".rtc" is added to its last segment when missing) at the naming service
  // `server` ("host" or "host:port"). Retries until `patience` has passed while the name is
  // not bound, the naming service does not answer, or the bound component does not answer (a
  // stale entry of a process that died). Nil with a one-line `error` on failure.
  RTC::RTObject_ptr resolveRtObject(CORBA::ORB_ptr orb, const std::string& server,
                                    const std::string& path, std::chrono::milliseconds patience,
                                    std::string& error);

  // `path` with ".rtc" on its last segment.
  std::string componentPath(const std::string& path);
}

#endif
