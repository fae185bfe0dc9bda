#include "ObserverReference.h"

#include "CallTimeouts.h"

namespace RTC
{
  namespace
  {
    // Indexed by ObservedEvent.
    const OpenRTM::StatusKind kOpenRtmKinds[] = {OpenRTM::COMPONENT_PROFILE, OpenRTM::RTC_STATUS,
                                                 OpenRTM::EC_STATUS,         OpenRTM::PORT_PROFILE,
                                                 OpenRTM::CONFIGURATION,     OpenRTM::HEARTBEAT};
    const StatusKind kRtcKinds[] = {COMPONENT_PROFILE, RTC_STATUS,    EC_STATUS,   PORT_PROFILE,
                                    CONFIGURATION,     RTC_HEARTBEAT, EC_HEARTBEAT};

    // Indexed by the kinds' values.
    const char* const kOpenRtmKindNames[] = {"COMPONENT_PROFILE", "RTC_STATUS",    "EC_STATUS",
                                             "PORT_PROFILE",      "CONFIGURATION", "HEARTBEAT"};
    const char* const kRtcKindNames[] = {"COMPONENT_PROFILE", "RTC_STATUS",    "EC_STATUS",
                                         "PORT_PROFILE",      "CONFIGURATION", "RTC_HEARTBEAT",
                                         "EC_HEARTBEAT",      "FSM_PROFILE",   "FSM_STATUS",
                                         "FSM_STRUCTURE",     "USER_DEFINED"};

    template <std::size_t N> const char* nameIn(const char* const (&names)[N], unsigned kind)
    {
      return kind < N ? names[kind] : "UNKNOWN";
    }
  }

  const char* statusKindName(OpenRTM::StatusKind kind)
  {
    return nameIn(kOpenRtmKindNames, kind);
  }

  const char* statusKindName(StatusKind kind)
  {
    return nameIn(kRtcKindNames, kind);
  }

  ObserverReference ObserverReference::narrow(const std::string& interfaceType,
                                              CORBA::Object_ptr service)
  {
    ObserverReference reference;
    if (interfaceType == OpenRTM::_tc_ComponentObserver->id())
      {
        reference.m_openRtm = OpenRTM::ComponentObserver::_narrow(service);
        if (!reference.isNil())
          {
            CallTimeouts::apply(reference.m_openRtm.in(), TimeOuts::kPeerCall);
          }
      }
    else if (interfaceType == _tc_ComponentObserver->id())
      {
        reference.m_rtc = ComponentObserver::_narrow(service);
        if (!reference.isNil()) { CallTimeouts::apply(reference.m_rtc.in(), TimeOuts::kPeerCall); }
      }
    return reference;
  }

  bool ObserverReference::isNil() const
  {
    return CORBA::is_nil(m_openRtm) && CORBA::is_nil(m_rtc);
  }

  void ObserverReference::send(ObservedEvent event, const std::string& hint) const
  {
    const auto index = static_cast<std::size_t>(event);
    if (isRtc()) { m_rtc->update_status(kRtcKinds[index], hint.c_str()); }
    else if (index < sizeof(kOpenRtmKinds) / sizeof(kOpenRtmKinds[0]))
      {
        m_openRtm->update_status(kOpenRtmKinds[index], hint.c_str());
      }
  }
}
