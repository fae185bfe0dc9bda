// What the manager needs from the part of the middleware that crosses processes (naming
// service, remote control, remote port connections). The manager works without one.
#ifndef RTM_SRC_REMOTELAYER_H
#define RTM_SRC_REMOTELAYER_H

#include <coil/Properties.h>
#include <omniORB4/CORBA.h>

#include "PortAddress.h"

#include <memory>
#include <string>

namespace RTC
{
  class ManagerImpl;
  class RTObject_impl;

  class RemoteLayer
  {
  public:
    virtual ~RemoteLayer() = default;
    // A component was created: make it reachable and register its name.
    virtual void componentAdded(RTObject_impl& component) = 0;
    // A component is about to be deleted: stop serving it and remove its name.
    virtual void componentRemoved(RTObject_impl& component) = 0;
    // Connects two ports of which at least one is in another process.
    virtual bool connect(const PortAddress& first, const PortAddress& second,
                         const coil::Properties& properties, std::string& error) = 0;
    // Joins a port of any process to the DDS topic that `properties` name.
    virtual bool joinTopic(const PortAddress& port, const coil::Properties& properties,
                           std::string& error) = 0;
    // Activates a component of another process.
    virtual bool activate(const ComponentAddress& component, std::string& error) = 0;
    // Last step of the manager's shutdown, before the ORB is destroyed.
    virtual void shutdown() = 0;
  };

  // The remote layer of this build; null when the configuration turns it off, or when it cannot
  // serve (then `error` says why in one line).
  std::unique_ptr<RemoteLayer> createRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb,
                                                 std::string& error);
}

#endif
