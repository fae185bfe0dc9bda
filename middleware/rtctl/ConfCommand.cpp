// rtctl conf: a component's configuration sets through SDOPackage::Configuration, read and
// changed with the calls OpenRTM-aist's tools make.
#include "Commands.h"

#include "RtctlSurface.h"
#include "RtcText.h"
#include "ToolError.h"

#include <algorithm>
#include <iostream>

namespace rtctl
{
  namespace
  {
    // Sets whose id starts with '_' belong to tools (OpenRTM-aist's "__widget__" and the like).
    bool hidden(const char* setId)
    {
      return setId[0] == '_';
    }

    const SDOPackage::ConfigurationSet* findSet(const SDOPackage::ConfigurationSetList& sets,
                                                const std::string& id)
    {
      for (CORBA::ULong i = 0; i < sets.length(); ++i)
        {
          if (id == sets[i].id.in()) { return &sets[i]; }
        }
      return nullptr;
    }

    std::string setNames(const SDOPackage::ConfigurationSetList& sets)
    {
      std::string names;
      for (CORBA::ULong i = 0; i < sets.length(); ++i)
        {
          if (!hidden(sets[i].id.in()))
            {
              names += (names.empty() ? "" : ", ") + std::string(sets[i].id.in());
            }
        }
      return names;
    }

    bool hasParameter(const SDOPackage::ConfigurationSet& set, const std::string& param)
    {
      for (CORBA::ULong i = 0; i < set.configuration_data.length(); ++i)
        {
          if (param == set.configuration_data[i].name.in()) { return true; }
        }
      return false;
    }

    void printSet(const SDOPackage::ConfigurationSetList& sets,
                  const SDOPackage::ConfigurationSet& active)
    {
      std::cout << "active configuration set: " << active.id.in() << "\n";
      std::cout << "configuration sets: " << setNames(sets) << "\n";
      std::vector<std::pair<std::string, std::string>> values;
      for (CORBA::ULong i = 0; i < active.configuration_data.length(); ++i)
        {
          const SDOPackage::NameValue& entry = active.configuration_data[i];
          const char* text = nullptr;
          values.emplace_back(entry.name.in(), (entry.value >>= text) ? text : "(not a text)");
        }
      std::sort(values.begin(), values.end());
      for (const auto& value : values) { std::cout << value.first << ": " << value.second << "\n"; }
      std::cout.flush();
    }

    void setValue(SDOPackage::Configuration_ptr configuration, const std::string& name,
                  const SDOPackage::ConfigurationSetList& sets,
                  const SDOPackage::ConfigurationSet& active, const std::string& setId,
                  const std::string& param, const std::string& value)
    {
      const SDOPackage::ConfigurationSet* target = setId.empty() ? &active : findSet(sets, setId);
      if (target == nullptr)
        {
          throw ToolError(name + " has no configuration set '" + setId +
                          "' (its sets: " + setNames(sets) + ")");
        }
      // OpenRTM-aist would add an unknown name as a new parameter nobody reads.
      if (!hasParameter(*target, param) && !hasParameter(active, param))
        {
          throw ToolError(name + " has no configuration parameter '" + param + "'");
        }
      SDOPackage::ConfigurationSet change;
      change.id = target->id;
      change.description = "";
      RTC::setString(change.configuration_data, param.c_str(), value);
      // The change is applied by the component's own thread once the active set is activated
      // again: at once while it is active, else at its next activation.
      if (!configuration->set_configuration_set_values(change))
        {
          throw ToolError(name + " refused " + param + "=" + value + " in set " + target->id.in());
        }
      if (!configuration->activate_configuration_set(active.id))
        {
          throw ToolError(name + " refused to activate configuration set " +
                          std::string(active.id.in()));
        }
    }
  }

  int confCommand(ToolContext& context, const Arguments& arguments)
  {
    const std::vector<std::string>& words = arguments.positional;
    if (words.empty() || words.size() > 3)
      {
        throw ToolError("conf: expects NAME [PARAM [VALUE]]", true);
      }
    const std::string& name = words[0];
    RTC::RTObject_var component = context.find(name);
    try
      {
        SDOPackage::Configuration_var configuration = component->get_configuration();
        if (CORBA::is_nil(configuration)) { throw ToolError(name + " offers no configuration"); }
        SDOPackage::ConfigurationSetList_var sets = configuration->get_configuration_sets();
        SDOPackage::ConfigurationSet_var active = configuration->get_active_configuration_set();
        if (words.size() == 1)
          {
            printSet(sets.in(), active.in());
            return 0;
          }
        const std::string& param = words[1];
        if (words.size() == 3)
          {
            setValue(configuration.in(), name, sets.in(), active.in(), arguments.option("-s"),
                     param, words[2]);
            return 0;
          }
        std::string value;
        if (!RTC::findString(active->configuration_data, param.c_str(), value))
          {
            throw ToolError(name + " has no configuration parameter '" + param + "'");
          }
        std::cout << value << std::endl;
        return 0;
      }
    catch (const SDOPackage::InvalidParameter& e)
      {
        throw ToolError(name + " refused the configuration request (InvalidParameter: " +
                        std::string(e.description.in()) + ")");
      }
    catch (const SDOPackage::NotAvailable& e)
      {
        throw ToolError(name + "'s configuration is not available (" +
                        std::string(e.description.in()) + ")");
      }
    catch (const SDOPackage::InterfaceNotImplemented& e)
      {
        throw ToolError(name + " offers no configuration (" + std::string(e.description.in()) +
                        ")");
      }
    catch (const SDOPackage::InternalError& e)
      {
        throw ToolError(name + " failed to handle its configuration (" +
                        std::string(e.description.in()) + ")");
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
  }
}
