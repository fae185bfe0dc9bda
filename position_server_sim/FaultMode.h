#ifndef POSITION_SERVER_SIM_FAULTMODE_H
#define POSITION_SERVER_SIM_FAULTMODE_H

#include <optional>
#include <string>

// How a session departs from the protocol, so users and tests can see how a client copes.
enum class FaultMode
{
  None,
  NoGreeting,
  WrongGreeting,
  SplitGreeting,
  SlowReply,
  NoReply,
  CloseAtOnce,
  OversizedReply,
  ZeroByteReply
};

std::optional<FaultMode> faultModeFromName(const std::string& name);

// One help line per mode: its name and what a session then does.
std::string faultModeHelp();

#endif
