#include "ConfigurationServant.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"
#include "ComponentObservers.h"
#include "NameValues.h"
#include "PeriodicExecutionContext.h"
#include "SdoRecords.h"
#include "TimeOuts.h"

#include <chrono>
#include <map>
#include <string>

namespace RTC
{
  namespace
  {
    SDOPackage::ConfigurationSet toSet(const std::string& id,
                                       const std::map<std::string, std::string>& values)
    {
      SDOPackage::ConfigurationSet set;
      set.id = CORBA::string_dup(id.c_str());
      set.description = CORBA::string_dup("");
      set.configuration_data.length(static_cast<CORBA::ULong>(values.size()));
      CORBA::ULong i = 0;
      for (const auto& value : values)
        {
          set.configuration_data[i].name = CORBA::string_dup(value.first.c_str());
          set.configuration_data[i].value <<= value.second.c_str();
          ++i;
        }
      return set;
    }
  }

  ConfigurationServant::ConfigurationServant(RTObject_impl& component,
                                             const std::shared_ptr<ServantLifetime>& lifetime,
                                             const std::shared_ptr<SdoRecords>& records,
                                             const std::shared_ptr<ComponentObservers>& observers)
    : m_component(component), m_lifetime(lifetime), m_records(records), m_observers(observers)
  {
  }

  void ConfigurationServant::tell(const std::string& hint)
  {
    m_observers->notify(ObservedEvent::Configuration, hint);
  }

  CORBA::Boolean ConfigurationServant::set_device_profile(const SDOPackage::DeviceProfile& profile)
  {
    ServantLifetime::Use use(*m_lifetime);
    m_records->setDevice(profile);
    return true;
  }

  CORBA::Boolean
  ConfigurationServant::add_service_profile(const SDOPackage::ServiceProfile& profile)
  {
    ServantLifetime::Use use(*m_lifetime);
    return m_observers->add(profile);
  }

  CORBA::Boolean ConfigurationServant::remove_service_profile(const char* id)
  {
    ServantLifetime::Use use(*m_lifetime);
    return m_observers->remove(id);
  }

  CORBA::Boolean ConfigurationServant::add_organization(SDOPackage::Organization_ptr organization)
  {
    ServantLifetime::Use use(*m_lifetime);
    m_records->addOrganization(organization);
    return true;
  }

  CORBA::Boolean ConfigurationServant::remove_organization(const char*)
  {
    // OpenRTM-aist answers true whether or not the organization was there.
    ServantLifetime::Use use(*m_lifetime);
    return true;
  }

  SDOPackage::ParameterList* ConfigurationServant::get_configuration_parameters()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::ParameterList;
  }

  SDOPackage::NVList* ConfigurationServant::get_configuration_parameter_values()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::NVList;
  }

  CORBA::Any* ConfigurationServant::get_configuration_parameter_value(const char* name)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (name[0] == '\0') { throw SDOPackage::InvalidParameter("Name is empty."); }
    return new CORBA::Any;
  }

  CORBA::Boolean ConfigurationServant::set_configuration_parameter(const char*, const CORBA::Any&)
  {
    ServantLifetime::Use use(*m_lifetime);
    return true;
  }

  SDOPackage::ConfigurationSetList* ConfigurationServant::get_configuration_sets()
  {
    ServantLifetime::Use use(*m_lifetime);
    ConfigAdmin& config = coreOf(m_component).config();
    const auto sets = config.sets();
    SDOPackage::ConfigurationSetList_var list = new SDOPackage::ConfigurationSetList;
    CORBA::ULong i = 0;
    for (const std::string& name : config.setNames())
      {
        auto found = sets.find(name);
        if (found == sets.end()) { continue; }   // removed in between
        list->length(i + 1);
        list[i++] = toSet(found->first, found->second);
      }
    return list._retn();
  }

  SDOPackage::ConfigurationSet* ConfigurationServant::get_configuration_set(const char* setId)
  {
    ServantLifetime::Use use(*m_lifetime);
    const auto sets = coreOf(m_component).config().sets();
    auto found = sets.find(setId);
    if (found == sets.end()) { throw SDOPackage::InternalError("no such configuration set"); }
    return new SDOPackage::ConfigurationSet(toSet(found->first, found->second));
  }

  SDOPackage::ConfigurationSet* ConfigurationServant::get_active_configuration_set()
  {
    ServantLifetime::Use use(*m_lifetime);
    if (!m_activeKnown) { throw SDOPackage::NotAvailable(""); }
    ConfigAdmin& config = coreOf(m_component).config();
    const std::string active = config.activeSet();
    const auto sets = config.sets();
    auto found = sets.find(active);
    return new SDOPackage::ConfigurationSet(
      toSet(active, found != sets.end() ? found->second : std::map<std::string, std::string>()));
  }

  CORBA::Boolean
  ConfigurationServant::set_configuration_set_values(const SDOPackage::ConfigurationSet& values)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string set = values.id.in();
    if (set.empty())
      {
        throw SDOPackage::InvalidParameter("Configuration::set_configuration_set_values()");
      }
    ConfigAdmin& config = coreOf(m_component).config();
    for (CORBA::ULong i = 0; i < values.configuration_data.length(); ++i)
      {
        const char* text = nullptr;
        // Values of other types are ignored, as OpenRTM-aist does.
        if (!(values.configuration_data[i].value >>= text) || text == nullptr) { continue; }
        config.setValue(set, values.configuration_data[i].name.in(), text);
      }
    config.addSet(set);   // an empty one still exists
    m_activeKnown = false;
    tell("SET_CONFIG_SET: " + set);
    return true;
  }

  CORBA::Boolean ConfigurationServant::activate_configuration_set(const char* setId)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string set = setId;
    ConfigAdmin& config = coreOf(m_component).config();
    if (set.empty() || set[0] == '_' || !config.activateSet(set))
      {
        throw SDOPackage::InvalidParameter("Configuration::activate_configuration_set()");
      }
    m_activeKnown = true;
    tell("ACTIVATE_CONFIG_SET: " + set);
    // An inactive component takes the set at its next activation; an active one now, but
    // between callbacks.
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context != nullptr && coreOf(m_component).state() == ACTIVE_STATE)
      {
        // Bounded: a callback that never returns must not hold the caller for good.
        context->runBetweenCallbacks([&config] { config.update(); },
                                     TimeOuts::kConfigurationUpdate);
        if (config.takeSetChosen()) { tell("UPDATE_CONFIG_SET: " + set); }
      }
    return true;
  }

  CORBA::Boolean
  ConfigurationServant::add_configuration_set(const SDOPackage::ConfigurationSet& values)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string set = values.id.in();
    ConfigAdmin& config = coreOf(m_component).config();
    if (set.empty() || config.hasSet(set)) { return false; }
    config.addSet(set);
    for (CORBA::ULong i = 0; i < values.configuration_data.length(); ++i)
      {
        const char* text = nullptr;
        if (!(values.configuration_data[i].value >>= text) || text == nullptr) { continue; }
        config.setValue(set, values.configuration_data[i].name.in(), text);
      }
    {
      std::lock_guard<std::mutex> lock(m_addedMutex);
      m_added.insert(set);
    }
    m_activeKnown = false;
    tell("ADD_CONFIG_SET: " + set);
    return true;
  }

  CORBA::Boolean ConfigurationServant::remove_configuration_set(const char* setId)
  {
    ServantLifetime::Use use(*m_lifetime);
    const std::string set = setId;
    if (set.empty()) { throw SDOPackage::InvalidParameter("ID is empty."); }
    {
      // Only sets added from outside may go, as in OpenRTM-aist.
      std::lock_guard<std::mutex> lock(m_addedMutex);
      if (set == "default" || m_added.count(set) == 0) { return false; }
      if (!coreOf(m_component).config().removeSet(set)) { return false; }
      m_added.erase(set);
    }
    m_activeKnown = false;
    tell("REMOVE_CONFIG_SET: " + set);
    return true;
  }
}
