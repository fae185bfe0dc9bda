// What the middleware knows of one connection between an out port and an in port.
#ifndef RTM_PORTCONNECTION_H
#define RTM_PORTCONNECTION_H

#include <cstddef>
#include <string>

namespace RTC
{
  struct ConnectionSettings
  {
    std::string id;   // unique per connection, shared by both ends
    std::string
      name;   // human-readable, e.g. "InKorvane0.outPositionData:InKorvaneTest0.inPositionData"
    std::string outPort;   // "<instance>.<port>" of the writer
    std::string inPort;    // "<instance>.<port>" of the reader
    std::size_t bufferLength = 8;
    bool overwriteWhenFull = true;   // buffer.write.full_policy: overwrite (true) or do_nothing
    // subscription_type: flush (write() delivers before it returns) or new (a publisher thread
    // per connection delivers; write() does not wait on the network).
    bool publisherThread = false;
    // publisher.push_policy of a `new` subscription: every value while the publisher's buffer
    // (bufferLength) holds them (true), or only the newest (false, the default).
    bool pushAll = false;
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
