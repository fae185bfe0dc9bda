// A component's configuration: named sets of parameter values, the active set, and the
// variables bound to parameters. Applying values happens only on the thread that drives the
// component (creation, then its execution context at activation).
#ifndef RTM_SRC_CONFIGADMIN_H
#define RTM_SRC_CONFIGADMIN_H

#include <coil/Properties.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class ConfigAdmin
  {
  public:
    typedef std::function<bool(const char*)> Setter;

    // Takes the sets from `conf.<set>.<param>` keys (sets starting with "__" are tool hints,
    // kept for tools to read but never applied) and the active set from
    // `configuration.active_config`.
    void load(const coil::Properties& componentProperties);

    // Binds a parameter and applies the default set's value (else the given default).
    bool bind(const std::string& name, const std::string& defaultValue, const Setter& setter);
    // Re-applies the active set to every bound variable.
    void update();
    // True once after the active set was chosen (at load, or by activateSet) unless values or
    // sets changed since: when OpenRTM-aist 1.2.2's next update announces UPDATE_CONFIG_SET.
    bool takeSetChosen();

    // Records a value in a set; it reaches the variable at the next update().
    void setValue(const std::string& set, const std::string& param, const std::string& value);
    bool activateSet(const std::string& set);
    std::string activeSet();
    // Every set with its values, hidden ones included.
    std::map<std::string, std::map<std::string, std::string>> sets();
    // The names of sets() in the order OpenRTM-aist lists them: "default" first, the
    // component's other sets, then those added since in the order they came.
    std::vector<std::string> setNames();
    bool hasSet(const std::string& set);
    void addSet(const std::string& set);
    // Forgets a set; false for the active one or one that does not exist.
    bool removeSet(const std::string& set);
    // Parameter name -> value of the active set, for bound and unbound parameters.
    std::map<std::string, std::string> activeValues();

  private:
    struct Parameter
    {
      std::string name;
      std::string defaultValue;
    };

    struct Binding
    {
      Parameter parameter;
      Setter setter;
    };

    // Applies the value of set `setName`, else the parameter's default.
    void applyLocked(Binding& binding, const std::string& setName);
    // The set, made (and listed last) when it is new.
    std::map<std::string, std::string>& setLocked(const std::string& set);

    std::mutex m_mutex;
    std::map<std::string, std::map<std::string, std::string>> m_sets;
    std::vector<std::string> m_order;   // the names of m_sets, as setNames() lists them
    std::string m_activeSet = "default";
    std::vector<Binding> m_bindings;
    bool m_setChosen = false;
  };
}

#endif
