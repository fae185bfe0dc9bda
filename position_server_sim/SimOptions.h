#ifndef POSITION_SERVER_SIM_SIMOPTIONS_H
#define POSITION_SERVER_SIM_SIMOPTIONS_H

#include <cstddef>
#include <string>

#include "FaultMode.h"

// What the command line asks of the simulator.
struct SimOptions
{
  std::string host = "127.0.0.1";
  unsigned short port = 7003;   // 0: any free port, announced on standard error
  std::string repliesFile;      // empty: generated trajectory
  unsigned delayMs = 0;
  FaultMode fault = FaultMode::None;
  std::size_t oversizedBytes = 10000;
  unsigned maxSessions = 0;   // 0: no limit
  std::string logFile;
  bool stampReplies = false;   // generated replies carry their send time (steady clock, ns)
  bool showHelp = false;
};

#endif
