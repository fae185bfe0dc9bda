// Looks names up in a naming service from a test, whichever middleware registered them: the
// test then waits for a component's registration instead of for a line its middleware prints.
#ifndef TESTS_SUPPORT_NAMINGLOOKUP_H
#define TESTS_SUPPORT_NAMINGLOOKUP_H

#include <chrono>
#include <string>

namespace testsupport
{
  // Waits until `path` ("InKorvane0.rtc", "host.host_cxt/InKorvane0.rtc") is bound in the naming
  // service at `address` ("127.0.0.1:2809"); false on timeout.
  bool waitForName(const std::string& address, const std::string& path,
                   std::chrono::milliseconds timeout);

  // Binds the naming service's own root context as an object under `path` (at the root): an
  // entry that looks like a component's but is not one. False when that fails.
  bool bindRootContextAs(const std::string& address, const std::string& path);
}

#endif
