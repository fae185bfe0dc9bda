#include "ComponentProperties.h"

#include "CommandLine.h"

#include <sstream>

namespace RTC
{
  bool parseComponentArgs(const std::string& args, std::string& typeName,
                          coil::Properties& properties)
  {
    std::string::size_type question = args.find('?');
    typeName = args.substr(0, question);
    if (typeName.empty()) { return false; }
    if (question == std::string::npos) { return true; }
    std::stringstream stream(args.substr(question + 1));
    std::string pair;
    while (std::getline(stream, pair, '&'))
      {
        if (pair.empty()) { continue; }
        std::string::size_type equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) { return false; }
        properties.setProperty(pair.substr(0, equals), pair.substr(equals + 1));
      }
    return true;
  }

  bool componentProperties(const coil::Properties& profile, const coil::Properties& managerConfig,
                           const coil::Properties& args, const std::string& instanceName,
                           coil::Properties& properties, std::string& error)
  {
    properties = profile;
    const std::string typeName = properties.getProperty("type_name");
    const std::string category = properties.getProperty("category");
    properties.setProperty("exec_cxt.periodic.rate",
                           managerConfig.getProperty("exec_cxt.periodic.rate", "1000"));
    for (const std::string& name : {typeName, instanceName})
      {
        coil::Properties node = managerConfig.getNode(category + "." + name);
        const std::string file = node.getProperty("config_file");
        if (!file.empty() && !loadPropertiesFile(file, properties, error)) { return false; }
        // Keys given in the manager's configuration (-o included) win over the file.
        properties.merge(node);
      }
    properties.merge(args);
    return true;
  }
}
