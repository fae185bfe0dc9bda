// What every rtctl command works with: an ORB and the naming service chosen with -n. Names are
// resolved here, and CORBA failures become one-line ToolErrors. The ORB serves objects only for
// the commands that ask for its POA (echo and hz, whose readers other processes call).
#ifndef RTCTL_TOOLCONTEXT_H
#define RTCTL_TOOLCONTEXT_H

#include <omniORB4/CORBA.h>
#include <RtcInterfaces.hh>

#include "RtctlSurface.h"
#include "ToolTimeOuts.h"

#include <memory>
#include <string>
#include <vector>

namespace rtctl
{
  class ToolContext
  {
  public:
    // `nameServer` is "host" or "host:port".
    explicit ToolContext(const std::string& nameServer);
    ~ToolContext();
    ToolContext(const ToolContext&) = delete;
    ToolContext& operator=(const ToolContext&) = delete;

    const std::string& nameServer() const { return m_nameServer; }
    CORBA::ORB_ptr orb() const { return m_orb.in(); }
    // The root POA, its manager active: objects activated there answer calls from then on, on
    // the endpoint $RTCTL_ENDPOINT names (host:port as corba.endpoint; default 127.0.0.1 on a
    // port the system picks). Throws ToolError when it cannot listen there.
    PortableServer::POA_ptr servingPoa();

    // A component by instance name (looked up as "<this host>.host_cxt/NAME.rtc", then
    // "NAME.rtc") or by naming path ("a.host_cxt/NAME.rtc"; ".rtc" may be left out). Throws
    // ToolError when nothing is bound there or the object bound is not an RTC::RTObject.
    RTC::RTObject_ptr find(const std::string& name);
    // The naming paths of every component bound below the root context. Throws ToolError.
    std::vector<std::string> componentPaths();

    // One line for a failed call on `name`; `timeoutMs` is the call time-out that applied.
    static std::string describe(const std::string& name, const CORBA::SystemException& e,
                                CORBA::ULong timeoutMs);

  private:
    RTC::RTObject_ptr resolvePath(const std::string& path);
    void collect(CosNaming::NamingContext_ptr context, const std::string& prefix, int depth,
                 std::vector<std::string>& paths);
    std::string unreachable(const CORBA::SystemException& e) const;

    std::string m_nameServer;
    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    std::unique_ptr<RTC::NamingClient> m_naming;
  };

  // "2", "0.5": milliseconds as seconds for messages.
  std::string secondsText(CORBA::ULong milliseconds);
}

#endif
