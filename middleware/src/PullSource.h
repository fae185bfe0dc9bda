// Where an in port gets the values of a pull connection: asked on the reader's thread, from
// isNew() and read(), for one value the reader has not had yet. The remote layer implements it
// over the writer's OutPortCdr object.
#ifndef RTM_SRC_PULLSOURCE_H
#define RTM_SRC_PULLSOURCE_H

#include <rtm/CdrCodec.h>

namespace RTC
{
  class PullSource
  {
  public:
    enum class Answer
    {
      Value,   // `value` holds a new value, in this machine's byte order
      None,    // nothing new now
      Gone     // the writer is gone for good
    };
    virtual ~PullSource() = default;
    virtual Answer pull(EncodedValue& value) = 0;
  };
}

#endif
