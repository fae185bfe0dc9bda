// The remote face of one in port: writers of other processes push values into its
// connection buffers. It also remembers each remote connection's writer, so that removing
// the connection here can remove the writer's end as well.
#ifndef RTM_REMOTE_INPORTSERVANT_H
#define RTM_REMOTE_INPORTSERVANT_H

#include <rtm/InPortBase.h>
#include <rtm/idl/ComponentControl.hh>

#include "ServantLifetime.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class InPortServant : public POA_RTCRemote::InPortEndpoint
  {
  public:
    InPortServant(InPortBase& port, const std::shared_ptr<ServantLifetime>& lifetime);

    // Called on ORB threads.
    CORBA::Boolean put(const char* connectionId, const RTCRemote::EncodedValue& value,
                       CORBA::ULong& buffered, CORBA::ULongLong& dropped) override;
    CORBA::Boolean closeConnection(const char* connectionId) override;

    // `writer` is the writing component of a remote connection; kept with the peer call time-out.
    void rememberWriter(const std::string& connectionId, RTCRemote::ComponentControl_ptr writer);
    // The writer of a remote connection, nil for an in-process one; forgotten afterwards.
    RTCRemote::ComponentControl_ptr forgetWriter(const std::string& connectionId);
    // Every remembered connection id and writer.
    std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> writers();
    // The same, forgotten afterwards.
    std::vector<std::pair<std::string, RTCRemote::ComponentControl_var>> forgetAllWriters();
    // Drops each remote connection whose writer is gone or no longer holds its end, with one
    // warning each. Calls the writers, so it may take up to the peer call time-out per writer.
    void dropAbandonedConnections();

  private:
    InPortBase& m_port;
    std::shared_ptr<ServantLifetime> m_lifetime;
    std::mutex m_mutex;   // guards m_writers
    std::map<std::string, RTCRemote::ComponentControl_var> m_writers;
  };
}

#endif
