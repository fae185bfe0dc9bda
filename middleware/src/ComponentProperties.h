// What a new component is created with: its creation arguments ("Type?key=value&...") and the
// properties assembled from its profile, configuration files and the manager's configuration.
#ifndef RTM_SRC_COMPONENTPROPERTIES_H
#define RTM_SRC_COMPONENTPROPERTIES_H

#include <coil/Properties.h>

#include <string>

namespace RTC
{
  // "Type" or "Type?key=value&key=value" (empty pairs skipped). False on an empty type or a
  // pair without a key.
  bool parseComponentArgs(const std::string& args, std::string& typeName,
                          coil::Properties& properties);

  // The profile, the manager's exec_cxt.periodic.rate, then for the type and then the instance
  // "<category>.<name>.config_file" and the other "<category>.<name>.*" keys of the manager's
  // configuration, then the creation arguments: later ones win. False with `error` when a
  // config file cannot be read.
  bool componentProperties(const coil::Properties& profile, const coil::Properties& managerConfig,
                           const coil::Properties& args, const std::string& instanceName,
                           coil::Properties& properties, std::string& error);
}

#endif
