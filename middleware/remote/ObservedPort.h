// A port servant that tells the component's observers of its connections, as OpenRTM-aist's
// ports do once a connection is made or gone here: "CONNECT:<port>" and "DISCONNECT:<port>".
#ifndef RTM_REMOTE_OBSERVEDPORT_H
#define RTM_REMOTE_OBSERVEDPORT_H

#include "ComponentObservers.h"

#include <memory>
#include <utility>

namespace RTC
{
  template <typename Port> class ObservedPort : public Port
  {
  public:
    template <typename... Arguments>
    explicit ObservedPort(const std::shared_ptr<ComponentObservers>& observers,
                          Arguments&&... arguments)
      : Port(std::forward<Arguments>(arguments)...), m_observers(observers)
    {
    }

    RTC::ReturnCode_t notify_connect(RTC::ConnectorProfile& profile) override
    {
      return told("CONNECT:", Port::notify_connect(profile));
    }
    RTC::ReturnCode_t notify_disconnect(const char* connectorId) override
    {
      return told("DISCONNECT:", Port::notify_disconnect(connectorId));
    }

  private:
    RTC::ReturnCode_t told(const char* what, RTC::ReturnCode_t result)
    {
      if (result == RTC::RTC_OK)
        {
          m_observers->notify(ObservedEvent::PortProfile, what + Port::name());
        }
      return result;
    }

    std::shared_ptr<ComponentObservers> m_observers;
  };
}

#endif
