#include "ConfigurationServant.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"
#include "NameValues.h"
#include "PeriodicExecutionContext.h"
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
                                             const std::shared_ptr<ServantLifetime>& lifetime)
    : m_component(component), m_lifetime(lifetime)
  {
  }

  SDOPackage::ConfigurationSetList* ConfigurationServant::get_configuration_sets()
  {
    ServantLifetime::Use use(*m_lifetime);
    const auto sets = coreOf(m_component).config().sets();
    SDOPackage::ConfigurationSetList_var list = new SDOPackage::ConfigurationSetList;
    list->length(static_cast<CORBA::ULong>(sets.size()));
    CORBA::ULong i = 0;
    for (const auto& set : sets) { list[i++] = toSet(set.first, set.second); }
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
    // An inactive component takes the set at its next activation; an active one now, but
    // between callbacks.
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context != nullptr && coreOf(m_component).state() == ACTIVE_STATE)
      {
        // Bounded: a callback that never returns must not hold the caller for good.
        context->runBetweenCallbacks([&config] { config.update(); },
                                     TimeOuts::kConfigurationUpdate);
      }
    return true;
  }
}
