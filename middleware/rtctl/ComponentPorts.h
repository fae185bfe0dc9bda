// The ports of a component as its port profiles describe them, and the names of ports that
// connector profiles refer to.
#ifndef RTCTL_COMPONENTPORTS_H
#define RTCTL_COMPONENTPORTS_H

#include <RtcInterfaces.hh>

#include <deque>
#include <string>
#include <vector>

namespace rtctl
{
  enum class PortDirection
  {
    In,
    Out,
    Other   // a service port or a port type we do not know
  };

  struct PortView
  {
    RTC::PortService_var reference;
    std::string name;        // as the port reports it: "<instance>.<port>"
    std::string shortName;   // without the instance part
    std::string portType;    // port.port_type: DataInPort, DataOutPort, CorbaPort, ...
    std::string dataType;    // dataport.data_type, e.g. IDL:RTC/TimedString:1.0
    PortDirection direction = PortDirection::Other;
  };

  // get_ports, then get_port_profile of each. CORBA failures propagate.
  std::vector<PortView> readPorts(RTC::RTObject_ptr component);
  PortView describePort(RTC::PortService_ptr port);

  // The port called `port` (short or full name, as RTC::findPortName finds it); null when there
  // is none.
  const PortView* findPort(const std::vector<PortView>& ports, const std::string& port);
  std::vector<std::string> shortNames(const std::vector<PortView>& ports);

  // Names the ports found in connector profiles: ports seen before by equivalence of their
  // references, others by asking them once.
  class PortDirectory
  {
  public:
    void add(const PortView& port);
    // Null-safe; a port that does not answer gets an "(unreachable port)" view.
    const PortView& lookUp(RTC::PortService_ptr port);

  private:
    std::deque<PortView> m_ports;   // references to its elements stay valid
  };
}

#endif
