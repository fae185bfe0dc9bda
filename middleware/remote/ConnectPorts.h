// The one way two ports of any process and any middleware are connected: the manager's
// preconnect, a peer named by rtcname:// and rtctl connect all find their ports and ask for the
// connector here, through the ports' own connect as OpenRTM-aist's tools do.
#ifndef RTM_REMOTE_CONNECTPORTS_H
#define RTM_REMOTE_CONNECTPORTS_H

#include <coil/Properties.h>
#include <rtm/RTC.h>

#include "ConnectorRules.h"

#include <chrono>
#include <string>
#include <vector>

namespace RTC
{
  // A port found for a connection.
  struct PortToConnect
  {
    RTC::PortService_var reference;
    std::string name;   // as the port reports itself: "<instance>.<port>"
    PortFacts facts;    // facts.name is how refusals name it: the caller's words
  };

  // The port `port` of `component` (see findPortName), asking each port for its profile within
  // `portCall` (zero: the ORB's default); the refusal names the component `componentText`.
  // CORBA system exceptions propagate: callers word them with their own time-outs.
  bool findPort(RTC::RTObject_ptr component, const std::string& componentText,
                const std::string& port, std::chrono::milliseconds portCall, PortToConnect& found,
                std::string& refusal);

  struct MadeConnector
  {
    std::string name;
    std::string id;
  };

  // Connects `first` and `second` as `given` asks (keys with or without "dataport.", "name"
  // naming the connector): checks the pair and the buffer terms, then asks `first` to connect
  // [first, second]. The buffer is judged first because a port of OpenRTM-aist takes a value it
  // does not know silently as its default. False with "cannot connect A and B: ..." in
  // `refusal`. A system exception from `first` propagates. Blocks for the call, within the
  // reference's own time-out.
  bool connectPorts(const PortToConnect& first, const PortToConnect& second,
                    const coil::Properties& given, MadeConnector& made, std::string& refusal);

  // Asks `port` alone to join the topic `given` names (interface_type fast-rtps), as
  // OpenRTM-aist 2.0 connects a port to DDS. The topic keys are judged first, by the rules our
  // ports apply. False with "cannot connect PORT and topic NAME: ..." in `refusal`.
  bool joinTopic(const PortToConnect& port, const coil::Properties& given, MadeConnector& made,
                 std::string& refusal);
}

#endif
