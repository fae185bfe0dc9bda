// rtctl ls: every component in the naming service with its state, ports and connections.
#include "Commands.h"

#include "ProfileConversion.h"
#include "ToolError.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace rtctl
{
  namespace
  {
    void printConnection(const RTCRemote::ConnectionProfile& connection)
    {
      const RTCRemote::ConnectionSettings& settings = connection.settings;
      std::cout << "       " << settings.outPort.in() << " -> " << settings.inPort.in()
                << "  name=" << settings.name.in() << " id=" << settings.id.in()
                << " buffer=" << settings.bufferLength << ","
                << (settings.overwriteWhenFull ? "overwrite" : "do_nothing")
                << " buffered=" << connection.buffered << " dropped=" << connection.dropped << "\n";
    }

    void printComponent(const std::string& path, const RTCRemote::ComponentProfile& profile)
    {
      std::cout << path << "  " << RTC::stateName(profile.state) << "\n";
      std::size_t width = 0;
      for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
        {
          width = std::max(width, std::strlen(profile.ports[i].name.in()));
        }
      for (CORBA::ULong i = 0; i < profile.ports.length(); ++i)
        {
          const RTCRemote::PortProfile& port = profile.ports[i];
          const std::string name(port.name.in());
          std::cout << "  " << (port.direction == RTCRemote::OUT_PORT ? "out " : "in  ") << name
                    << std::string(width - name.size() + 2, ' ') << port.dataType.in() << "\n";
          for (CORBA::ULong c = 0; c < port.connections.length(); ++c)
            {
              printConnection(port.connections[c]);
            }
        }
    }
  }

  int listCommand(ToolContext& context, const Arguments& arguments)
  {
    if (!arguments.positional.empty()) { throw ToolError("ls: takes no arguments", true); }
    for (const std::string& path : context.componentPaths())
      {
        try
          {
            RTCRemote::ComponentControl_var component = context.find(path, g_queryTimeout);
            RTCRemote::ComponentProfile_var profile = component->getProfile();
            printComponent(path, profile.in());
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
