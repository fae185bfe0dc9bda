// What the manager wires up once it runs: manager.components.preconnect, then
// manager.components.preactivation. Components of this process are found in the registry;
// those of other processes are reached through the remote layer.
#ifndef RTM_SRC_MANAGERWIRING_H
#define RTM_SRC_MANAGERWIRING_H

#include <coil/Properties.h>

#include "ComponentRegistry.h"
#include "PortAddress.h"
#include "RemoteLayer.h"

#include <string>

namespace RTC
{
  class ManagerWiring
  {
  public:
    // `remote` may be null: then only components of this process can be wired.
    ManagerWiring(ComponentRegistry& components, RemoteLayer* remote);

    // Makes each connection, then activates each component, that the configuration lists;
    // a failure is logged and the rest goes on.
    void preconnect(const coil::Properties& config);
    void preactivate(const coil::Properties& config);

    // Joins a port to the DDS topic `properties` name (interface_type fast-rtps).
    bool joinTopic(const PortAddress& port, const coil::Properties& properties, std::string& error);
    // Connects two ports named as in manager.components.preconnect, either order. False with
    // `error`.
    bool connect(const PortAddress& first, const PortAddress& second,
                 const coil::Properties& properties, std::string& error);
    bool activate(const ComponentAddress& component, std::string& error);

  private:
    ComponentRegistry& m_components;
    RemoteLayer* m_remote;
  };
}

#endif
