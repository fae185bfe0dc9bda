// rtctl connect and disconnect, through the ports' own connect and disconnect as OpenRTM-aist's
// tools use them. Both ends are checked before anything changes.
#include "Commands.h"

#include "ComponentPorts.h"
#include "ConnectorSettings.h"
#include "PortEnd.h"
#include "RtctlSurface.h"
#include "RtcText.h"
#include "ToolError.h"

#include <iostream>

namespace rtctl
{
  namespace
  {
    void lookUpPair(ToolContext& context, const Arguments& arguments, const std::string& command,
                    PortEnd& a, PortEnd& b)
    {
      if (arguments.positional.size() != 2)
        {
          throw ToolError(command + ": expects two ports, NAME:port NAME:port", true);
        }
      a = parsePortEnd(arguments.positional[0], command);
      b = parsePortEnd(arguments.positional[1], command);
      lookUp(context, a);
      lookUp(context, b);
    }

    // Refusals name the ports as the operator did.
    RTC::PortToConnect toConnect(const PortEnd& end)
    {
      RTC::PortToConnect port;
      port.reference = RTC::PortService::_duplicate(end.view.reference.in());
      port.name = end.view.name;
      port.facts = {end.text, end.view.portType, end.view.dataType};
      return port;
    }

    // A connector that joins the two ports, with a port that lists it: the one to ask.
    struct SharedConnector
    {
      std::string id;
      std::string name;
      const PortEnd* listedBy;
    };

    std::vector<SharedConnector> sharedConnectors(const PortEnd& a, const PortEnd& b)
    {
      std::vector<SharedConnector> shared;
      for (const PortEnd* end : {&a, &b})
        {
          const PortEnd& other = end == &a ? b : a;
          RTC::ConnectorProfileList_var connectors = end->view.reference->get_connector_profiles();
          for (CORBA::ULong i = 0; i < connectors->length(); ++i)
            {
              const RTC::ConnectorProfile& connector = connectors[i];
              bool joins = false;
              for (CORBA::ULong p = 0; p < connector.ports.length(); ++p)
                {
                  joins = joins || (!CORBA::is_nil(connector.ports[p]) &&
                                    connector.ports[p]->_is_equivalent(other.view.reference));
                }
              const std::string id(connector.connector_id.in());
              bool known = false;
              for (const SharedConnector& entry : shared) { known = known || entry.id == id; }
              if (joins && !known) { shared.push_back({id, connector.name.in(), end}); }
            }
        }
      return shared;
    }
  }

  namespace
  {
    int joinTopic(ToolContext& context, const Arguments& arguments, coil::Properties given)
    {
      if (arguments.positional.size() != 1)
        {
          throw ToolError("connect: with --topic expects one port, NAME:port", true);
        }
      PortEnd end = parsePortEnd(arguments.positional[0], "connect");
      lookUp(context, end);
      given.setProperty("interface_type", RTC::kTopicInterface);
      given.setProperty("fastrtps.topic", arguments.option("--topic"));
      RTC::MadeConnector made;
      std::string refusal;
      try
        {
          if (!RTC::joinTopic(toConnect(end), given, made, refusal)) { throw ToolError(refusal); }
        }
      catch (const CORBA::SystemException& e)
        {
          throw ToolError(ToolContext::describe(end.text, e, TimeOuts::inMs(TimeOuts::kToolCall)));
        }
      std::cout << "connected " << end.view.name << " to topic " << arguments.option("--topic")
                << "  name=" << made.name << " id=" << made.id << std::endl;
      return 0;
    }
  }

  int connectCommand(ToolContext& context, const Arguments& arguments)
  {
    auto found = arguments.options.find("-p");
    const ConnectorSettings settings = parseConnectorSettings(
      found == arguments.options.end() ? std::vector<std::string>() : found->second);
    coil::Properties given = RTC::toProperties(settings.properties);
    if (!settings.name.empty()) { given.setProperty("name", settings.name); }
    if (arguments.options.count("--topic") != 0) { return joinTopic(context, arguments, given); }
    PortEnd a;
    PortEnd b;
    lookUpPair(context, arguments, "connect", a, b);
    RTC::MadeConnector made;
    std::string refusal;
    try
      {
        if (!RTC::connectPorts(toConnect(a), toConnect(b), given, made, refusal))
          {
            throw ToolError(refusal);
          }
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(a.text, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    const PortEnd& out = a.view.direction == PortDirection::Out ? a : b;
    const PortEnd& in = &out == &a ? b : a;
    std::cout << "connected " << out.view.name << " -> " << in.view.name << "  name=" << made.name
              << " id=" << made.id << std::endl;
    return 0;
  }

  int disconnectCommand(ToolContext& context, const Arguments& arguments)
  {
    PortEnd a;
    PortEnd b;
    lookUpPair(context, arguments, "disconnect", a, b);
    std::vector<SharedConnector> shared;
    try
      {
        shared = sharedConnectors(a, b);
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(a.text, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    if (shared.empty()) { throw ToolError("no connection between " + a.text + " and " + b.text); }
    for (const SharedConnector& connector : shared)
      {
        const PortEnd& end = *connector.listedBy;
        RTC::ReturnCode_t result = RTC::RTC_ERROR;
        try
          {
            result = end.view.reference->disconnect(connector.id.c_str());
          }
        catch (const CORBA::SystemException& e)
          {
            throw ToolError(
              ToolContext::describe(end.text, e, TimeOuts::inMs(TimeOuts::kToolCall)));
          }
        if (result != RTC::RTC_OK)
          {
            throw ToolError("cannot disconnect " + connector.name + " (id " + connector.id +
                            "): " + end.text + " refused (" + RTC::toString(result) + ")");
          }
        std::cout << "disconnected " << connector.name << "  id=" << connector.id << std::endl;
      }
    return 0;
  }
}
