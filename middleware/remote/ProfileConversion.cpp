#include "ProfileConversion.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"

namespace RTC
{
  RTCRemote::ConnectionSettings toRemote(const ConnectionSettings& settings)
  {
    RTCRemote::ConnectionSettings result;
    result.id = settings.id.c_str();
    result.name = settings.name.c_str();
    result.outPort = settings.outPort.c_str();
    result.inPort = settings.inPort.c_str();
    result.bufferLength = static_cast<CORBA::ULong>(settings.bufferLength);
    result.overwriteWhenFull = settings.overwriteWhenFull;
    return result;
  }

  ConnectionSettings fromRemote(const RTCRemote::ConnectionSettings& settings)
  {
    ConnectionSettings result;
    result.id = settings.id.in();
    result.name = settings.name.in();
    result.outPort = settings.outPort.in();
    result.inPort = settings.inPort.in();
    result.bufferLength = settings.bufferLength;
    result.overwriteWhenFull = settings.overwriteWhenFull;
    return result;
  }

  RTCRemote::ConnectionProfile toRemote(const ConnectionStatus& status)
  {
    RTCRemote::ConnectionProfile result;
    result.settings = toRemote(status.settings);
    result.buffered = static_cast<CORBA::ULong>(status.buffered);
    result.dropped = status.dropped;
    return result;
  }

  RTCRemote::LifeCycleState toRemote(LifeCycleState state)
  {
    switch (state)
      {
      case CREATED_STATE: return RTCRemote::CREATED_STATE;
      case INACTIVE_STATE: return RTCRemote::INACTIVE_STATE;
      case ACTIVE_STATE: return RTCRemote::ACTIVE_STATE;
      case ERROR_STATE: return RTCRemote::ERROR_STATE;
      }
    return RTCRemote::ERROR_STATE;
  }

  RTCRemote::NameValueList toRemote(const coil::Properties& properties)
  {
    RTCRemote::NameValueList result;
    for (const std::string& key : properties.propertyNames())
      {
        CORBA::ULong index = result.length();
        result.length(index + 1);
        result[index].name = key.c_str();
        result[index].value = properties.getProperty(key).c_str();
      }
    return result;
  }

  coil::Properties fromRemote(const RTCRemote::NameValueList& values)
  {
    coil::Properties result;
    for (CORBA::ULong i = 0; i < values.length(); ++i)
      {
        result.setProperty(values[i].name.in(), values[i].value.in());
      }
    return result;
  }

  namespace
  {
    template <typename Port>
    void addPort(RTCRemote::PortProfileList& ports, Port& port, RTCRemote::PortDirection direction)
    {
      CORBA::ULong index = ports.length();
      ports.length(index + 1);
      RTCRemote::PortProfile& profile = ports[index];
      profile.name = port.getName();
      profile.direction = direction;
      profile.dataType = port.dataType().c_str();
      for (const ConnectionStatus& status : port.connections())
        {
          CORBA::ULong at = profile.connections.length();
          profile.connections.length(at + 1);
          profile.connections[at] = toRemote(status);
        }
    }
  }

  RTCRemote::ComponentProfile* makeProfile(RTObject_impl& component,
                                           const std::string& processToken)
  {
    ComponentCore& core = component.core();
    RTCRemote::ComponentProfile_var profile = new RTCRemote::ComponentProfile();
    profile->instanceName = core.instanceName().c_str();
    profile->typeName = core.typeName().c_str();
    profile->category = core.category().c_str();
    profile->processToken = processToken.c_str();
    profile->state = toRemote(core.state());
    for (OutPortBase* port : core.outPorts())
      {
        addPort(profile->ports, *port, RTCRemote::OUT_PORT);
      }
    for (InPortBase* port : core.inPorts()) { addPort(profile->ports, *port, RTCRemote::IN_PORT); }

    ConfigAdmin& config = core.config();
    for (const std::string& set : config.setNames())
      {
        CORBA::ULong index = profile->configurationSets.length();
        profile->configurationSets.length(index + 1);
        profile->configurationSets[index] = set.c_str();
      }
    profile->activeConfigurationSet = config.activeSet().c_str();
    for (const auto& value : config.activeValues())
      {
        CORBA::ULong index = profile->configuration.length();
        profile->configuration.length(index + 1);
        profile->configuration[index].name = value.first.c_str();
        profile->configuration[index].value = value.second.c_str();
      }
    return profile._retn();
  }

  const char* stateName(RTCRemote::LifeCycleState state)
  {
    switch (state)
      {
      case RTCRemote::CREATED_STATE: return "CREATED";
      case RTCRemote::INACTIVE_STATE: return "INACTIVE";
      case RTCRemote::ACTIVE_STATE: return "ACTIVE";
      case RTCRemote::ERROR_STATE: return "ERROR";
      default: return "UNKNOWN";
      }
  }
}
