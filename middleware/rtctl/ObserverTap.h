// rtctl as a component's observer: an OpenRTM::ComponentObserver of its own, served in the
// context's ORB and registered with the component as a service profile, the way OpenRTM-aist's
// tools watch a component. Notifications arrive on ORB threads; the command takes them on its
// own thread.
#ifndef RTCTL_OBSERVERTAP_H
#define RTCTL_OBSERVERTAP_H

#include "ToolContext.h"

#include <chrono>
#include <string>

namespace rtctl
{
  class ObserverServant;

  class ObserverTap
  {
  public:
    // Serves the observer in the context's ORB. Throws ToolError when it cannot.
    explicit ObserverTap(ToolContext& context);
    // Removes the service profile again (a component that is gone is left as it is).
    ~ObserverTap();
    ObserverTap(const ObserverTap&) = delete;
    ObserverTap& operator=(const ObserverTap&) = delete;

    // Registers the observer with `component` (called `name` in messages) as
    // "rtctl_watch<process id>", asking for a heartbeat every `heartbeatSeconds` when that is
    // above 0. Throws ToolError when the component refuses or does not answer.
    void observe(RTC::RTObject_ptr component, const std::string& name, double heartbeatSeconds);
    // The oldest notification not taken yet as "KIND hint", waiting at most `timeout`; false
    // when none came.
    bool take(std::string& line, std::chrono::milliseconds timeout);
    // Whether the component observed still answers (a call).
    bool componentAlive();

  private:
    void unregister();

    ToolContext& m_context;
    RTC::RTObject_var m_component;
    SDOPackage::Configuration_var m_configuration;
    ObserverServant* m_servant = nullptr;   // counted reference, released by the destructor
    PortableServer::ObjectId_var m_id;
    std::string m_profileId;   // empty once unregistered
  };
}

#endif
