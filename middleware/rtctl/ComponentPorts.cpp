#include "ComponentPorts.h"

#include "RtcText.h"

namespace rtctl
{
  namespace
  {
    // "IDL:RTC/TimedString:1.0" -> "RTC/TimedString"; a bare name stays as it is.
    std::string typeName(const std::string& dataType)
    {
      std::string name = dataType;
      if (name.compare(0, 4, "IDL:") == 0)
        {
          name = name.substr(4);
          const std::string::size_type version = name.rfind(':');
          if (version != std::string::npos) { name.resize(version); }
        }
      std::string::size_type scope;
      while ((scope = name.find("::")) != std::string::npos) { name.replace(scope, 2, "/"); }
      return name;
    }

    std::string lastSegment(const std::string& name)
    {
      const std::string::size_type slash = name.rfind('/');
      return slash == std::string::npos ? name : name.substr(slash + 1);
    }
  }

  PortView describePort(RTC::PortService_ptr port)
  {
    PortView view;
    view.reference = RTC::PortService::_duplicate(port);
    RTC::PortProfile_var profile = port->get_port_profile();
    view.name = profile->name.in();
    const std::string::size_type dot = view.name.find('.');
    view.shortName = dot == std::string::npos ? view.name : view.name.substr(dot + 1);
    view.portType = stringOr(profile->properties, "port.port_type");
    view.dataType = stringOr(profile->properties, "dataport.data_type");
    if (view.portType == "DataOutPort") { view.direction = PortDirection::Out; }
    else if (view.portType == "DataInPort") { view.direction = PortDirection::In; }
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

  bool sameDataType(const std::string& a, const std::string& b)
  {
    const std::string left = typeName(a);
    const std::string right = typeName(b);
    if (left == right) { return true; }
    // Only a name without its module may match any module's type of that name.
    const bool leftBare = left.find('/') == std::string::npos;
    const bool rightBare = right.find('/') == std::string::npos;
    return (leftBare || rightBare) && leftBare != rightBare &&
           lastSegment(left) == lastSegment(right);
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
