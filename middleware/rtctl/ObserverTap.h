// rtctl as a component's observer: observers of its own, served in the context's ORB and
// registered with the component as a service profile, the way OpenRTM-aist's tools watch a
// component. OpenRTM::ComponentObserver first, as our components and OpenRTM-aist 1.2's module
// take it; RTC::ComponentObserver when that is refused, as OpenRTM-aist 2.0's module takes only
// that. Notifications arrive on ORB threads; the command takes them on its own thread.
#ifndef RTCTL_OBSERVERTAP_H
#define RTCTL_OBSERVERTAP_H

#include "ToolContext.h"

#include <chrono>
#include <memory>
#include <string>

namespace rtctl
{
  class ObservedLines;

  class ObserverTap
  {
  public:
    // Serves the observers in the context's ORB. Throws ToolError when it cannot.
    explicit ObserverTap(ToolContext& context);
    // Removes the service profile again (a component that is gone is left as it is).
    ~ObserverTap();
    ObserverTap(const ObserverTap&) = delete;
    ObserverTap& operator=(const ObserverTap&) = delete;

    // Registers an observer with `component` (called `name` in messages) as
    // "rtctl_watch<process id>", asking for a heartbeat every `heartbeatSeconds` when that is
    // above 0. Throws ToolError when the component refuses both or does not answer.
    void observe(RTC::RTObject_ptr component, const std::string& name, double heartbeatSeconds);
    // The oldest notification not taken yet as "KIND hint" (the kind as the observer's
    // interface names it), waiting at most `timeout`; false when none came.
    bool take(std::string& line, std::chrono::milliseconds timeout);
    // Whether the component observed still answers (a call).
    bool componentAlive();

  private:
    struct Served
    {
      const char* interfaceType;
      PortableServer::ServantBase* servant;   // counted reference, released by the destructor
      PortableServer::ObjectId_var id;
    };

    void serve(Served& served);
    // add_service_profile of `served`: true when taken; throws ToolError on a failed call.
    bool offer(const Served& served, SDOPackage::ServiceProfile& profile, const std::string& name);
    void unregister();

    ToolContext& m_context;
    std::shared_ptr<ObservedLines> m_lines;
    Served m_observers[2];
    RTC::RTObject_var m_component;
    SDOPackage::Configuration_var m_configuration;
    std::string m_profileId;   // empty once unregistered
  };
}

#endif
