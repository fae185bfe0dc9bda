// A component's configuration sets as SDOPackage::Configuration. Values set from outside are
// recorded at once and reach the component's variables on its execution context thread:
// at the next activation, or, for an active component, between two callbacks once the set is
// activated.
#ifndef RTM_REMOTE_CONFIGURATIONSERVANT_H
#define RTM_REMOTE_CONFIGURATIONSERVANT_H

#include <rtm/idl/SdoInterfaces.hh>

#include "NoImplement.h"
#include "ServantLifetime.h"

#include <memory>

namespace RTC
{
  class RTObject_impl;

  class ConfigurationServant : public NoImplement<POA_SDOPackage::Configuration>
  {
  public:
    ConfigurationServant(RTObject_impl& component,
                         const std::shared_ptr<ServantLifetime>& lifetime);

    // Every set, hidden ones ("__widget__" and the like) included.
    SDOPackage::ConfigurationSetList* get_configuration_sets() override;
    SDOPackage::ConfigurationSet* get_configuration_set(const char* setId) override;
    SDOPackage::ConfigurationSet* get_active_configuration_set() override;
    // Merges the string values into the set, creating it when unknown; not applied until
    // the set is activated.
    CORBA::Boolean
    set_configuration_set_values(const SDOPackage::ConfigurationSet& values) override;
    // InvalidParameter for an unknown set or a hidden one (id starting with '_').
    CORBA::Boolean activate_configuration_set(const char* setId) override;

  private:
    RTObject_impl& m_component;
    std::shared_ptr<ServantLifetime> m_lifetime;
  };
}

#endif
