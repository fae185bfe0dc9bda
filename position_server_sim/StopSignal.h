#ifndef POSITION_SERVER_SIM_STOPSIGNAL_H
#define POSITION_SERVER_SIM_STOPSIGNAL_H

#include <string>

// Turns SIGINT and SIGTERM into a readable descriptor (a self-pipe), so every thread that polls
// can also notice the stop. Nobody reads the pipe: once written it stays readable for all.
class StopSignal
{
public:
  // One per process. False with a reason in `error` when the pipe or the handlers cannot be set.
  bool install(std::string& error);

  int fd() const;
};

#endif
