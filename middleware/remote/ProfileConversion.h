// Conversions between the middleware's own view of components and connections and the
// structures of ComponentControl.idl.
#ifndef RTM_REMOTE_PROFILECONVERSION_H
#define RTM_REMOTE_PROFILECONVERSION_H

#include <coil/Properties.h>
#include <rtm/PortConnection.h>
#include <rtm/RTC.h>
#include <rtm/idl/ComponentControl.hh>

#include <string>

namespace RTC
{
  class RTObject_impl;

  RTCRemote::ConnectionSettings toRemote(const ConnectionSettings& settings);
  ConnectionSettings fromRemote(const RTCRemote::ConnectionSettings& settings);
  RTCRemote::ConnectionProfile toRemote(const ConnectionStatus& status);
  RTCRemote::LifeCycleState toRemote(LifeCycleState state);
  RTCRemote::NameValueList toRemote(const coil::Properties& properties);
  coil::Properties fromRemote(const RTCRemote::NameValueList& values);

  // Everything a tool shows of one component.
  RTCRemote::ComponentProfile* makeProfile(RTObject_impl& component,
                                           const std::string& processToken);

  // "ACTIVE", "INACTIVE", ... as the tool prints and accepts them.
  const char* stateName(RTCRemote::LifeCycleState state);
}

#endif
