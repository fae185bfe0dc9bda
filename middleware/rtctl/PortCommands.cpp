// rtctl connect and disconnect: both ends are checked before anything changes.
#include "Commands.h"

#include "PortConnect.h"
#include "ProfileConversion.h"
#include "ToolError.h"

#include <iostream>

namespace rtctl
{
  namespace
  {
    // One end as the operator named it ("NAME:port") with what its component reports.
    struct PortEnd
    {
      std::string text;
      std::string component;
      std::string port;
      RTCRemote::ComponentControl_var reference;
      RTCRemote::ComponentProfile_var profile;
      const RTCRemote::PortProfile* portProfile = nullptr;
    };

    PortEnd parsePortEnd(const std::string& text, const std::string& command)
    {
      std::string::size_type colon = text.rfind(':');
      if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        {
          throw ToolError(command + ": expected NAME:port, got '" + text + "'", true);
        }
      PortEnd end;
      end.text = text;
      end.component = text.substr(0, colon);
      end.port = text.substr(colon + 1);
      return end;
    }

    void lookUp(ToolContext& context, PortEnd& end)
    {
      end.reference = context.find(end.component, g_controlTimeout);
      end.profile = context.profile(end.reference.in(), end.component, g_controlTimeout);
      std::string names;
      for (CORBA::ULong i = 0; i < end.profile->ports.length(); ++i)
        {
          const RTCRemote::PortProfile& port = end.profile->ports[i];
          if (end.port == port.name.in()) { end.portProfile = &port; }
          names += std::string(names.empty() ? "" : ", ") + port.name.in();
        }
      if (end.portProfile == nullptr)
        {
          throw ToolError(end.component + " has no port '" + end.port +
                          "' (its ports: " + (names.empty() ? "none" : names) + ")");
        }
    }

    bool isOut(const PortEnd& end)
    {
      return end.portProfile->direction == RTCRemote::OUT_PORT;
    }

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

    coil::Properties connectionProperties(const Arguments& arguments)
    {
      coil::Properties properties;
      auto found = arguments.options.find("-p");
      if (found == arguments.options.end()) { return properties; }
      for (const std::string& pair : found->second)
        {
          std::string::size_type equals = pair.find('=');
          if (equals == std::string::npos || equals == 0)
            {
              throw ToolError("connect: -p needs key=value, got '" + pair + "'", true);
            }
          properties.setProperty(pair.substr(0, equals), pair.substr(equals + 1));
        }
      return properties;
    }
  }

  int connectCommand(ToolContext& context, const Arguments& arguments)
  {
    const coil::Properties properties = connectionProperties(arguments);
    PortEnd a;
    PortEnd b;
    lookUpPair(context, arguments, "connect", a, b);
    if (isOut(a) == isOut(b))
      {
        throw ToolError("cannot connect " + a.text + " and " + b.text + ": both are " +
                        (isOut(a) ? "out" : "in") + " ports");
      }
    if (std::string(a.portProfile->dataType.in()) != b.portProfile->dataType.in())
      {
        throw ToolError("cannot connect " + a.text + " and " + b.text + ": data types differ (" +
                        a.portProfile->dataType.in() + " and " + b.portProfile->dataType.in() +
                        ")");
      }
    // The component checks the properties again; checking here keeps a bad one from going out.
    RTC::ConnectionSettings settings;
    std::string error;
    if (!RTC::makeConnectionSettings(properties, a.text, b.text, settings, error))
      {
        throw ToolError(error);
      }

    try
      {
        RTCRemote::ConnectionSettings_var made = a.reference->connect(
          a.port.c_str(), b.reference.in(), b.port.c_str(), RTC::toRemote(properties));
        std::cout << "connected " << made->outPort.in() << " -> " << made->inPort.in()
                  << "  name=" << made->name.in() << " id=" << made->id.in() << std::endl;
      }
    catch (const RTCRemote::ControlError& e)
      {
        throw ToolError(e.reason.in());
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(a.component, e, g_controlTimeout));
      }
    return 0;
  }

  int disconnectCommand(ToolContext& context, const Arguments& arguments)
  {
    PortEnd a;
    PortEnd b;
    lookUpPair(context, arguments, "disconnect", a, b);
    // Both ends of one connection carry the same id.
    std::vector<std::pair<std::string, std::string>> shared;   // id, name
    for (CORBA::ULong i = 0; i < a.portProfile->connections.length(); ++i)
      {
        const RTCRemote::ConnectionSettings& mine = a.portProfile->connections[i].settings;
        for (CORBA::ULong j = 0; j < b.portProfile->connections.length(); ++j)
          {
            if (std::string(mine.id.in()) == b.portProfile->connections[j].settings.id.in())
              {
                shared.emplace_back(mine.id.in(), mine.name.in());
              }
          }
      }
    if (shared.empty()) { throw ToolError("no connection between " + a.text + " and " + b.text); }
    for (const auto& connection : shared)
      {
        try
          {
            a.reference->disconnect(connection.first.c_str());
            std::cout << "disconnected " << connection.second << "  id=" << connection.first
                      << std::endl;
          }
        catch (const RTCRemote::ControlError& e)
          {
            throw ToolError(e.reason.in());
          }
        catch (const CORBA::SystemException& e)
          {
            throw ToolError(ToolContext::describe(a.component, e, g_controlTimeout));
          }
      }
    return 0;
  }
}
