#include "ComponentPorts.h"

#include "ConnectorRules.h"
#include "NameValues.h"
#include "RtcText.h"

namespace rtctl
{
  PortView describePort(RTC::PortService_ptr port)
  {
    PortView view;
    view.reference = RTC::PortService::_duplicate(port);
    RTC::PortProfile_var profile = port->get_port_profile();
    view.name = profile->name.in();
    const std::string::size_type dot = view.name.find('.');
    view.shortName = dot == std::string::npos ? view.name : view.name.substr(dot + 1);
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
    for (const PortView& view : ports)
      {
        if (view.shortName == port || view.name == port) { return &view; }
      }
    return nullptr;
  }

  std::string portNames(const std::vector<PortView>& ports)
  {
    std::string names;
    for (const PortView& view : ports) { names += (names.empty() ? "" : ", ") + view.shortName; }
    return names.empty() ? "none" : names;
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
