// rtctl ls: every component in the naming service with its state, ports and connections, and
// its own execution context.
#include "Commands.h"

#include "ComponentPorts.h"
#include "Lifecycle.h"
#include "RtctlSurface.h"
#include "RtcText.h"
#include "ToolError.h"
#include "TopicRules.h"

#include <algorithm>
#include <iostream>
#include <sstream>

namespace rtctl
{
  namespace
  {
    // "A.out -> B.in": out ports first, whatever order the connector lists its ports in. A topic
    // is the other end of a port that joined one: "A.out -> topic T", "topic T -> B.in".
    std::string connectionEnds(const RTC::ConnectorProfile& connector, PortDirectory& directory)
    {
      std::string outs;
      std::string others;
      const coil::Properties properties = RTC::toProperties(connector.properties);
      if (RTC::isTopicConnector(properties))
        {
          RTC::TopicTerms terms;
          std::string refusal;
          RTC::readTopicTerms(properties, terms, refusal);
          const std::string topic = RTC::topicEndName(terms.topic);
          for (CORBA::ULong i = 0; i < connector.ports.length(); ++i)
            {
              const bool out =
                directory.lookUp(connector.ports[i].in()).direction == PortDirection::Out;
              (out ? others : outs) = topic;
            }
        }
      for (CORBA::ULong i = 0; i < connector.ports.length(); ++i)
        {
          const PortView& port = directory.lookUp(connector.ports[i].in());
          std::string& side = port.direction == PortDirection::Out ? outs : others;
          side += (side.empty() ? "" : ",") + port.name;
        }
      return (outs.empty() ? "?" : outs) + " -> " + (others.empty() ? "?" : others);
    }

    void printConnection(std::ostream& out, const RTC::ConnectorProfile& connector,
                         PortDirectory& directory)
    {
      const SDOPackage::NVList& properties = connector.properties;
      // OpenRTM-aist's defaults when the connector does not say.
      out << "       " << connectionEnds(connector, directory) << "  name=" << connector.name.in()
          << " id=" << connector.connector_id.in()
          << " buffer=" << RTC::stringOr(properties, "dataport.buffer.length", "8") << ","
          << RTC::stringOr(properties, "dataport.buffer.write.full_policy", "overwrite");
      // What our middleware's in ports report; other components' ports say nothing of it.
      std::string dropped;
      if (RTC::findString(properties, "dataport.inkorvane.dropped", dropped))
        {
          out << " dropped=" << dropped;
        }
      // A topic connection of ours: the DDS peers matched now.
      std::string matched;
      if (RTC::findString(properties, "dataport.inkorvane.matched", matched))
        {
          out << " matched=" << matched;
        }
      out << "\n";
    }

    void printPorts(std::ostream& out, const std::vector<PortView>& ports, PortDirectory& directory)
    {
      std::size_t width = 0;
      for (const PortView& port : ports) { width = std::max(width, port.shortName.size()); }
      for (const PortView& port : ports)
        {
          const char* direction = port.direction == PortDirection::Out  ? "out "
                                  : port.direction == PortDirection::In ? "in  "
                                                                        : "svc ";
          out << "  " << direction << port.shortName
              << std::string(width - port.shortName.size() + 2, ' ')
              << (port.dataType.empty() ? port.portType : port.dataType) << "\n";
          RTC::ConnectorProfileList_var connectors = port.reference->get_connector_profiles();
          for (CORBA::ULong c = 0; c < connectors->length(); ++c)
            {
              printConnection(out, connectors[c], directory);
            }
        }
    }

    // Everything about one component, or a CORBA exception: nothing is printed half-way.
    std::string describeComponent(ToolContext& context, const std::string& path,
                                  PortDirectory& directory)
    {
      RTC::RTObject_var component = context.find(path);
      std::ostringstream out;
      const std::vector<PortView> ports = readPorts(component.in());
      for (const PortView& port : ports) { directory.add(port); }
      out << path << "  " << RTC::toString(readState(component.in(), path)) << "\n";
      printPorts(out, ports, directory);
      RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
      if (contexts->length() > 0 && !CORBA::is_nil(contexts[0]))
        {
          out << "  ec  " << contexts[0]->get_rate() << " Hz  "
              << (contexts[0]->is_running() ? "running" : "stopped") << "\n";
        }
      return out.str();
    }
  }

  int listCommand(ToolContext& context, const Arguments& arguments)
  {
    if (!arguments.positional.empty()) { throw ToolError("ls: takes no arguments", true); }
    PortDirectory directory;
    for (const std::string& path : context.componentPaths())
      {
        try
          {
            std::cout << describeComponent(context, path, directory);
          }
        catch (const CORBA::SystemException& e)
          {
            // A stale entry of a process that is gone: shown, not fatal.
            std::cout << path << "  UNREACHABLE (" << e._name() << ")\n";
          }
        catch (const ToolError& e)
          {
            std::cout << path << "  UNREACHABLE (" << e.what() << ")\n";
          }
      }
    std::cout.flush();
    return 0;
  }
}
