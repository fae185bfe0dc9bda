// One observer a tool registered, of either interface tools use: OpenRTM::ComponentObserver
// (OpenRTM-aist 1.2's observer module) or RTC::ComponentObserver (2.0's). The component's
// notifications are the same events for both; this is where each becomes its interface's kind.
#ifndef RTM_REMOTE_OBSERVERREFERENCE_H
#define RTM_REMOTE_OBSERVERREFERENCE_H

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/RtcComponentObserver.hh>

#include <string>

namespace RTC
{
  // What an observer hears of. The first five are kinds both interfaces share, in their order.
  enum class ObservedEvent
  {
    ComponentProfile,
    RtcStatus,
    EcStatus,
    PortProfile,
    Configuration,
    RtcHeartbeat,
    EcHeartbeat   // RTC::ComponentObserver only
  };
  constexpr int kObservedChanges = 5;

  // A kind as its interface's IDL spells it ("RTC_STATUS"), "UNKNOWN" for one this build does
  // not know: what tools print of a notification.
  const char* statusKindName(OpenRTM::StatusKind kind);
  const char* statusKindName(StatusKind kind);

  class ObserverReference
  {
  public:
    ObserverReference() = default;
    // The observer `service` is when `interfaceType` names one of the two interfaces and the
    // object says it is one (_is_a); nil otherwise. Throws CORBA exceptions of the call.
    static ObserverReference narrow(const std::string& interfaceType, CORBA::Object_ptr service);

    bool isNil() const;
    // Whether it takes EC_HEARTBEAT and the rtc_/ec_heartbeat properties.
    bool isRtc() const { return !CORBA::is_nil(m_rtc); }
    // Throws CORBA exceptions of the call.
    void send(ObservedEvent event, const std::string& hint) const;

  private:
    OpenRTM::ComponentObserver_var m_openRtm;
    ComponentObserver_var m_rtc;
  };
}

#endif
