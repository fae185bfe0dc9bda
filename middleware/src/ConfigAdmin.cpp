#include "ConfigAdmin.h"

#include <algorithm>

namespace RTC
{
  void ConfigAdmin::load(const coil::Properties& componentProperties)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    coil::Properties conf = componentProperties.getNode("conf");
    for (const std::string& key : conf.propertyNames())
      {
        std::string::size_type dot = key.find('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == key.size()) { continue; }
        std::string set = key.substr(0, dot);
        m_sets[set][key.substr(dot + 1)] = conf.getProperty(key);
      }
    const std::string& active = componentProperties.getProperty("configuration.active_config");
    if (!active.empty()) { m_activeSet = active; }
    // As OpenRTM-aist: no "default" set for a component without parameters. Its sets are
    // listed as its profile names them, which puts "default" first.
    m_order.clear();
    if (m_sets.count("default") != 0) { m_order.push_back("default"); }
    for (const auto& set : m_sets)
      {
        if (set.first != "default") { m_order.push_back(set.first); }
      }
    // OpenRTM-aist activates the active set when it initialises the component, if it exists.
    m_setChosen = m_sets.count(m_activeSet) != 0;
  }

  std::map<std::string, std::string>& ConfigAdmin::setLocked(const std::string& set)
  {
    if (m_sets.count(set) == 0) { m_order.push_back(set); }
    return m_sets[set];
  }

  void ConfigAdmin::applyLocked(Binding& binding, const std::string& setName)
  {
    const std::string* text = &binding.parameter.defaultValue;
    auto set = m_sets.find(setName);
    if (set != m_sets.end())
      {
        auto value = set->second.find(binding.parameter.name);
        if (value != set->second.end()) { text = &value->second; }
      }
    // A refused text leaves the variable at its default (the setter sees to that).
    binding.setter(text->c_str());
  }

  bool ConfigAdmin::bind(const std::string& name, const std::string& defaultValue,
                         const Setter& setter)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Binding& existing : m_bindings)
      {
        if (existing.parameter.name == name) { return false; }
      }
    Binding binding;
    binding.parameter.name = name;
    binding.parameter.defaultValue = defaultValue;
    binding.setter = setter;
    // As OpenRTM-aist does: the default set while the component initialises; the active set
    // takes over when the middleware applies it, before activation.
    applyLocked(binding, "default");
    m_bindings.push_back(binding);
    return true;
  }

  void ConfigAdmin::update()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Binding& binding : m_bindings) { applyLocked(binding, m_activeSet); }
  }

  bool ConfigAdmin::takeSetChosen()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    bool chosen = m_setChosen;
    m_setChosen = false;
    return chosen;
  }

  void ConfigAdmin::setValue(const std::string& set, const std::string& param,
                             const std::string& value)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    setLocked(set)[param] = value;
    m_setChosen = false;   // OpenRTM-aist waits for the next activation of a set
  }

  bool ConfigAdmin::activateSet(const std::string& set)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sets.count(set) == 0) { return false; }
    m_activeSet = set;
    m_setChosen = true;
    return true;
  }

  std::string ConfigAdmin::activeSet()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_activeSet;
  }

  std::map<std::string, std::map<std::string, std::string>> ConfigAdmin::sets()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sets;
  }

  std::vector<std::string> ConfigAdmin::setNames()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_order;
  }

  bool ConfigAdmin::hasSet(const std::string& set)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sets.count(set) != 0;
  }

  void ConfigAdmin::addSet(const std::string& set)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    setLocked(set);
    m_setChosen = false;
  }

  bool ConfigAdmin::removeSet(const std::string& set)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (set == m_activeSet || m_sets.erase(set) == 0) { return false; }
    m_order.erase(std::find(m_order.begin(), m_order.end(), set));
    m_setChosen = false;
    return true;
  }

  std::map<std::string, std::string> ConfigAdmin::activeValues()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::map<std::string, std::string> values;
    for (const Binding& binding : m_bindings)
      {
        values[binding.parameter.name] = binding.parameter.defaultValue;
      }
    auto set = m_sets.find(m_activeSet);
    if (set != m_sets.end())
      {
        for (const auto& value : set->second) { values[value.first] = value.second; }
      }
    return values;
  }
}
