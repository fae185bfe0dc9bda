// A component's configuration sets as SDOPackage::Configuration. Values set from outside are
// recorded at once and reach the component's variables on its execution context thread:
// at the next activation, or, for an active component, between two callbacks once the set is
// activated. Besides the sets it keeps what tools store for themselves (device profile,
// organizations) and takes their observers (ComponentObservers).
#ifndef RTM_REMOTE_CONFIGURATIONSERVANT_H
#define RTM_REMOTE_CONFIGURATIONSERVANT_H

#include <rtm/idl/SdoInterfaces.hh>

#include "NoImplement.h"
#include "ServantLifetime.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace RTC
{
  class ComponentObservers;
  class RTObject_impl;
  class SdoRecords;

  class ConfigurationServant : public NoImplement<POA_SDOPackage::Configuration>
  {
  public:
    ConfigurationServant(RTObject_impl& component, const std::shared_ptr<ServantLifetime>& lifetime,
                         const std::shared_ptr<SdoRecords>& records,
                         const std::shared_ptr<ComponentObservers>& observers);

    CORBA::Boolean set_device_profile(const SDOPackage::DeviceProfile& profile) override;
    // Observers (OpenRTM::ComponentObserver) only; false for anything else.
    CORBA::Boolean add_service_profile(const SDOPackage::ServiceProfile& profile) override;
    CORBA::Boolean remove_service_profile(const char* id) override;
    CORBA::Boolean add_organization(SDOPackage::Organization_ptr organization) override;
    CORBA::Boolean remove_organization(const char* id) override;
    // OpenRTM-aist describes no parameters here and ignores single values: tools use the sets.
    SDOPackage::ParameterList* get_configuration_parameters() override;
    SDOPackage::NVList* get_configuration_parameter_values() override;
    CORBA::Any* get_configuration_parameter_value(const char* name) override;
    CORBA::Boolean set_configuration_parameter(const char* name, const CORBA::Any& value) override;

    // Every set, hidden ones ("__widget__" and the like) included.
    SDOPackage::ConfigurationSetList* get_configuration_sets() override;
    SDOPackage::ConfigurationSet* get_configuration_set(const char* setId) override;
    // NotAvailable after a set was changed, added or removed, until one is activated again.
    SDOPackage::ConfigurationSet* get_active_configuration_set() override;
    // Merges the string values into the set, creating it when unknown; not applied until
    // the set is activated.
    CORBA::Boolean
    set_configuration_set_values(const SDOPackage::ConfigurationSet& values) override;
    // InvalidParameter for an unknown set or a hidden one (id starting with '_').
    CORBA::Boolean activate_configuration_set(const char* setId) override;
    // False for an existing set or an empty id.
    CORBA::Boolean add_configuration_set(const SDOPackage::ConfigurationSet& values) override;
    // InvalidParameter for an empty id; false for "default", the active set, or a set not
    // added by add_configuration_set.
    CORBA::Boolean remove_configuration_set(const char* setId) override;

  private:
    void tell(const std::string& hint);

    RTObject_impl& m_component;
    std::shared_ptr<ServantLifetime> m_lifetime;
    std::shared_ptr<SdoRecords> m_records;
    std::shared_ptr<ComponentObservers> m_observers;
    std::atomic<bool> m_activeKnown{true};
    std::mutex m_addedMutex;
    std::set<std::string> m_added;   // guarded by m_addedMutex
  };
}

#endif
