#include "ComponentPorts.h"

#include "ConnectorNames.h"
#include "ConnectorRules.h"
#include "RtctlSurface.h"
#include "RtcText.h"

namespace rtctl
{
  PortView describePort(RTC::PortService_ptr port)
  {
    PortView view;
    view.reference = RTC::PortService::_duplicate(port);
    RTC::PortProfile_var profile = port->get_port_profile();
    view.name = profile->name.in();
    view.shortName = RTC::shortPortName(view.name);
    view.portType = RTC::stringOr(profile->properties, "port.port_type");
    view.dataType = RTC::stringOr(profile->properties, "dataport.data_type");
    if (view.portType == RTC::kOutPortType) { view.direction = PortDirection::Out; }
    else if (view.portType == RTC::kInPortType) { view.direction = PortDirection::In; }
    return view;
  }

  std::vector<PortView> readPorts(RTC::RTObject_ptr component)
  {
    RTC::PortServiceList_var references = component->get_ports();
    std::vector<PortView> ports;
    for (CORBA::ULong i = 0; i < references->length(); ++i)
      {
        ports.push_back(describePort(references[i].in()));
      }
    return ports;
  }

  const PortView* findPort(const std::vector<PortView>& ports, const std::string& port)
  {
    std::vector<std::string> names;
    for (const PortView& view : ports) { names.push_back(view.name); }
    const int index = RTC::findPortName(names, port);
    return index < 0 ? nullptr : &ports[static_cast<std::size_t>(index)];
  }

  std::vector<std::string> shortNames(const std::vector<PortView>& ports)
  {
    std::vector<std::string> names;
    for (const PortView& view : ports) { names.push_back(view.shortName); }
    return names;
  }

  void PortDirectory::add(const PortView& port)
  {
    m_ports.push_back(port);
  }

  const PortView& PortDirectory::lookUp(RTC::PortService_ptr port)
  {
    for (const PortView& known : m_ports)
      {
        if (!CORBA::is_nil(port) && !CORBA::is_nil(known.reference) &&
            known.reference->_is_equivalent(port))
          {
            return known;
          }
      }
    PortView view;
    try
      {
        if (!CORBA::is_nil(port)) { view = describePort(port); }
      }
    catch (const CORBA::SystemException&)
      {
        // Shown as such: the connection's other end is gone or hangs.
      }
    if (view.name.empty())
      {
        view = PortView();
        view.reference = RTC::PortService::_duplicate(port);
        view.name = "(unreachable port)";
      }
    m_ports.push_back(view);
    return m_ports.back();
  }
}
