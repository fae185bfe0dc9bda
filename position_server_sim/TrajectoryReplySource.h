#ifndef POSITION_SERVER_SIM_TRAJECTORYREPLYSOURCE_H
#define POSITION_SERVER_SIM_TRAJECTORYREPLYSOURCE_H

#include "ReplySource.h"

// A body driving round an ellipse, one line per reply:
// "POS seq=12 x=1.651 y=0.847 z=0.015 yaw=132.4\n".
class TrajectoryReplySource : public ReplySource
{
public:
  std::string reply(unsigned long sequence) const override;
};

#endif
