#include "FaultMode.h"

namespace
{
  struct FaultModeEntry
  {
    FaultMode mode;
    const char* name;
    const char* help;
  };

  constexpr FaultModeEntry kModes[] = {
    {FaultMode::None, "none", "follow the protocol (default)"},
    {FaultMode::NoGreeting, "no-greeting", "send no greeting; replies as usual"},
    {FaultMode::WrongGreeting, "wrong-greeting", "greet with \"hello\\n\" (lower case)"},
    {FaultMode::SplitGreeting, "split-greeting",
     "send \"HEL\", then \"LO\\n\" 500 ms later in a second segment"},
    {FaultMode::SlowReply, "slow-reply", "wait 5500 ms (or --delay, if longer) before each reply"},
    {FaultMode::NoReply, "no-reply", "greet, then never reply"},
    {FaultMode::CloseAtOnce, "close-at-once", "close each connection as soon as it is accepted"},
    {FaultMode::OversizedReply, "oversized-reply",
     "reply with --size bytes of text without any line feed"},
    {FaultMode::ZeroByteReply, "zero-byte-reply",
     "put a zero byte before the line feed, followed by \" after-zero\\n\""},
  };
}   // namespace

std::optional<FaultMode> faultModeFromName(const std::string& name)
{
  for (const FaultModeEntry& entry : kModes)
    {
      if (name == entry.name) { return entry.mode; }
    }
  return std::nullopt;
}

std::string faultModeHelp()
{
  std::string text;
  for (const FaultModeEntry& entry : kModes)
    {
      text += "      " + std::string(entry.name) +
              std::string(18 - std::string(entry.name).size(), ' ') + entry.help + "\n";
    }
  return text;
}
