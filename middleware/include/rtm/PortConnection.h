// What the middleware knows of one connection between an out port and an in port.
#ifndef RTM_PORTCONNECTION_H
#define RTM_PORTCONNECTION_H

#include <cstddef>
#include <string>

namespace RTC
{
  // publisher.push_policy of a `new` subscription: what the publisher thread sends of the
  // values waiting in its queue of bufferLength values.
  enum class PushPolicy
  {
    All,    // every value, in order
    Fifo,   // every value, in order, one per send (the same here: each send is one value)
    Skip,   // every (skipCount + 1)-th value
    New     // the newest only (the default)
  };

  // timestamp_policy: the step at which the value's tm is set to the time of day. Each end
  // acts on its own steps: an out port on write and send, an in port on received and read.
  enum class StampStep
  {
    Never,
    OnWrite,
    OnSend,
    OnReceived,
    OnRead
  };

  struct ConnectionSettings
  {
    std::string id;   // unique per connection, shared by both ends
    std::string
      name;   // human-readable, e.g. "InKorvane0.outPositionData:InKorvaneTest0.inPositionData"
    std::string outPort;   // "<instance>.<port>" of the writer
    std::string inPort;    // "<instance>.<port>" of the reader
    std::size_t bufferLength = 8;
    bool overwriteWhenFull = true;   // buffer.write.full_policy: overwrite (true) or do_nothing
    // buffer.write.full_policy block: a writer waits up to writeTimeout seconds for room.
    bool blockWhenFull = false;
    double writeTimeout = 1.0;
    // buffer.read.empty_policy block: read() waits up to readTimeout seconds for a value
    // (readback and do_nothing return at once).
    bool blockWhenEmpty = false;
    double readTimeout = 1.0;
    // subscription_type: flush (write() delivers before it returns) or new (a publisher thread
    // per connection delivers; write() does not wait on the network).
    bool publisherThread = false;
    PushPolicy pushPolicy = PushPolicy::New;
    unsigned skipCount = 0;   // publisher.skip_count
    StampStep stampAt = StampStep::Never;
    // dataflow_type pull: the writer queues values and the reader asks it for each one.
    bool pull = false;
  };

  struct ConnectionStatus
  {
    ConnectionSettings settings;
    std::size_t buffered = 0;         // values waiting at the in port
    unsigned long long dropped = 0;   // values lost to a full buffer
    int matched = -1;                 // a topic connection: the readers matched now
  };
}

#endif
