// rtctl as the reader of an out port: an in port of its own, served by the middleware's remote
// port (the same connect protocol our components and OpenRTM-aist's speak), connected to one
// out port. Values arrive on ORB threads; the command takes them on its own thread.
#ifndef RTCTL_PORTTAP_H
#define RTCTL_PORTTAP_H

#include "PortEnd.h"
#include "ToolContext.h"
#include "ValueReader.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace RTC
{
  class InPortServant;
  class ServantLifetime;
}

namespace rtctl
{
  class TapInPort;

  class PortTap
  {
  public:
    typedef std::chrono::steady_clock Clock;

    // An in port named "<purpose><process id>.in", served in the context's ORB.
    PortTap(ToolContext& context, const std::string& purpose, const ValueReader& reader);
    // Disconnects if still connected; afterwards calls to its objects fail.
    ~PortTap();
    PortTap(const PortTap&) = delete;
    PortTap& operator=(const PortTap&) = delete;

    // Connects to the out port `end`, whose buffer holds `bufferLength` values (the oldest
    // is dropped when full), with the connector keys `given` (e.g. timestamp_policy) beside
    // those. Throws ToolError when the ports refuse.
    void connect(const PortEnd& end, std::size_t bufferLength,
                 const coil::Properties& given = coil::Properties());
    // Joins the DDS topic `given` names (fastrtps.topic and the other topic keys). Throws
    // ToolError with the port's reason when it refuses.
    void joinTopic(const coil::Properties& given, std::size_t bufferLength);
    // Removes the connection at both ends. Throws ToolError when the out port refuses or does
    // not answer; the connection is then gone at this end only.
    void disconnect();

    // Waits until a value has arrived since the last call, or `timeout` has passed.
    void waitForArrival(std::chrono::milliseconds timeout);
    // The oldest value not taken yet, in this machine's byte order; false when none is there.
    bool take(RTC::EncodedValue& value);
    // The arrival times of the values since the last call, oldest first.
    std::vector<Clock::time_point> takeArrivals();
    // Values this end's full buffer lost since the connection was made.
    unsigned long long dropped();
    // Whether the connection is still there: false once the writer has closed it, or (asked
    // of the writer, which takes a call) the writer is gone or no longer lists it.
    bool stillConnected();

  private:
    ToolContext& m_context;
    std::unique_ptr<TapInPort> m_port;
    std::shared_ptr<RTC::ServantLifetime> m_lifetime;
    RTC::InPortServant* m_servant = nullptr;   // counted reference, released by the destructor
    PortableServer::ObjectId_var m_id;
    std::string m_connectorId;
    std::string m_peer;   // the out port as the operator named it
  };
}

#endif
