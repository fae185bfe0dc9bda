// The bytes a value takes on a DDS topic: a CDR encapsulation header, then either the port's
// own CDR bytes (corba marshaling, zero-padded to a multiple of 4 as OpenRTM-aist 2.0 sends
// them) or a ROS 2 std_msgs/String holding the text of a TimedString.
#ifndef RTM_CONNECTORS_TOPICPAYLOAD_H
#define RTM_CONNECTORS_TOPICPAYLOAD_H

#include <rtm/CdrCodec.h>

#include "TopicRules.h"

#include <string>

namespace RTC
{
  // Whether a port of `dataType` can be carried so; else the one line of refusal.
  bool checkMarshaling(Marshaling marshaling, const std::string& dataType, std::string& refusal);

  // `native`: the value's CDR in this machine's byte order, as out ports hold it.
  bool toTopicPayload(Marshaling marshaling, const EncodedValue& native, EncodedValue& payload);

  // The value an in port takes from a payload. With corba marshaling the bytes stay in the
  // sender's order (`swapped` says whether that is not ours) and may carry trailing padding;
  // a ROS 2 String becomes a TimedString without a time stamp, in our order.
  bool fromTopicPayload(Marshaling marshaling, const EncodedValue& payload, EncodedValue& value,
                        bool& swapped);
}

#endif
