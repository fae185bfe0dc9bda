#include "ConnectPorts.h"

#include "CallTimeouts.h"
#include "ConnectorNames.h"
#include "NameValues.h"
#include "TopicRules.h"

namespace RTC
{
  bool findPort(RTC::RTObject_ptr component, const std::string& componentText,
                const std::string& port, std::chrono::milliseconds portCall, PortToConnect& found,
                std::string& refusal)
  {
    RTC::PortServiceList_var ports = component->get_ports();
    std::vector<RTC::PortProfile_var> profiles;
    std::vector<std::string> names;
    for (CORBA::ULong i = 0; i < ports->length(); ++i)
      {
        if (portCall.count() > 0) { CallTimeouts::apply(ports[i].in(), portCall); }
        profiles.push_back(ports[i]->get_port_profile());
        names.push_back(profiles.back()->name.in());
      }
    const int index = findPortName(names, port);
    if (index < 0)
      {
        std::vector<std::string> shortNames;
        for (const std::string& name : names) { shortNames.push_back(shortPortName(name)); }
        refusal = noSuchPort(componentText, port, shortNames);
        return false;
      }
    const SDOPackage::NVList& properties = profiles[index]->properties;
    found.reference = RTC::PortService::_duplicate(ports[static_cast<CORBA::ULong>(index)]);
    found.name = names[index];
    found.facts.name = names[index];
    found.facts.portType = stringOr(properties, "port.port_type");
    found.facts.dataType = stringOr(properties, "dataport.data_type");
    return true;
  }

  bool connectPorts(const PortToConnect& first, const PortToConnect& second,
                    const coil::Properties& given, MadeConnector& made, std::string& refusal)
  {
    const coil::Properties connector = connectorProperties(given);
    ConnectorTerms terms;
    if (!checkPairing(first.facts, second.facts, refusal) ||
        !readBufferTerms(connector, terms, refusal))
      {
        refusal = cannotConnect(first.facts.name, second.facts.name, refusal);
        return false;
      }
    RTC::ConnectorProfile profile;
    profile.name = CORBA::string_dup(connectorName(given, first.name, second.name).c_str());
    profile.connector_id = CORBA::string_dup("");
    profile.ports.length(2);
    profile.ports[0] = RTC::PortService::_duplicate(first.reference.in());
    profile.ports[1] = RTC::PortService::_duplicate(second.reference.in());
    profile.properties = toNameValues(connector);
    const RTC::ReturnCode_t result = first.reference->connect(profile);
    if (result != RTC::RTC_OK)
      {
        refusal = cannotConnect(
          first.facts.name, second.facts.name,
          portsRefused(RTC::toString(result), stringOr(profile.properties, kRefusalKey)));
        return false;
      }
    made.name = profile.name.in();
    made.id = profile.connector_id.in();
    return true;
  }

  bool joinTopic(const PortToConnect& port, const coil::Properties& given, MadeConnector& made,
                 std::string& refusal)
  {
    coil::Properties connector = connectorProperties(given);
    connector.setProperty("dataport.interface_type", kTopicInterface);
    if (!port.facts.dataType.empty())
      {
        connector.setProperty("dataport.data_type", port.facts.dataType);
      }
    TopicTerms terms;
    ConnectorTerms buffer;
    const bool dataPort = port.facts.portType == kOutPortType || port.facts.portType == kInPortType;
    if (!dataPort) { refusal = notADataPort(port.facts.portType); }
    if (!dataPort || !readTopicTerms(connector, terms, refusal) ||
        !readBufferTerms(connector, buffer, refusal))
      {
        refusal = cannotConnect(port.facts.name, topicEndName(terms.topic), refusal);
        return false;
      }
    RTC::ConnectorProfile profile;
    profile.name = CORBA::string_dup(connectorName(given, port.name, ddsTopicName(terms)).c_str());
    profile.connector_id = CORBA::string_dup("");
    profile.ports.length(1);
    profile.ports[0] = RTC::PortService::_duplicate(port.reference.in());
    profile.properties = toNameValues(connector);
    const RTC::ReturnCode_t result = port.reference->connect(profile);
    if (result != RTC::RTC_OK)
      {
        refusal = cannotConnect(
          port.facts.name, topicEndName(terms.topic),
          portsRefused(RTC::toString(result), stringOr(profile.properties, kRefusalKey)));
        return false;
      }
    made.name = profile.name.in();
    made.id = profile.connector_id.in();
    return true;
  }
}
