#ifndef POSITION_SERVER_SIM_REPLYSOURCE_H
#define POSITION_SERVER_SIM_REPLYSOURCE_H

#include <string>

// Where reply texts come from. One source serves all sessions at once, so reply() is a pure
// function of the session's own reply count (1 for its first reply).
class ReplySource
{
public:
  virtual ~ReplySource() = default;
  virtual std::string reply(unsigned long sequence) const = 0;
};

#endif
