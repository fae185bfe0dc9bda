#ifndef POSITION_SERVER_SIM_TRAJECTORYREPLYSOURCE_H
#define POSITION_SERVER_SIM_TRAJECTORYREPLYSOURCE_H

#include "ReplySource.h"

// A body driving round an ellipse, one line per reply:
// "POS seq=12 x=1.651 y=0.847 z=0.015 yaw=132.4\n".
// With `stamped`, " t=<steady clock ns>" goes before the line feed, so a reader on this machine
// can tell how long the reply took to reach it.
class TrajectoryReplySource : public ReplySource
{
public:
  explicit TrajectoryReplySource(bool stamped = false) : m_stamped(stamped) {}
  std::string reply(unsigned long sequence) const override;

private:
  bool m_stamped;
};

#endif
