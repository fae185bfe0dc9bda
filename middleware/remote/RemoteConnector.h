// A connection to an in port of another process: each value is pushed synchronously to the
// in port's object, bounded by the data call time-out.
#ifndef RTM_REMOTE_REMOTECONNECTOR_H
#define RTM_REMOTE_REMOTECONNECTOR_H

#include <rtm/OutPortBase.h>
#include <rtm/idl/ComponentControl.hh>

#include <mutex>

namespace RTC
{
  class RemoteConnector : public OutPortConnector
  {
  public:
    RemoteConnector(const ConnectionSettings& settings, RTCRemote::InPortEndpoint_ptr reader);

    // Runs on the writer's thread. False when the reader has gone, hangs, or no longer knows
    // this connection; the out port then drops the connection.
    bool deliver(const EncodedValue& value) override;
    // Removes the reader's end too, unless the reader was found gone.
    void close() override;
    // The reader's counts as of the last delivery: asking it here could block.
    ConnectionStatus status() override;

  private:
    RTCRemote::InPortEndpoint_var m_reader;
    std::mutex m_mutex;   // guards m_status and m_broken
    ConnectionStatus m_status;
    bool m_broken = false;
  };
}

#endif
