// Untyped part of an input data port: one buffer per connection, read from the first connection.
#ifndef RTM_INPORTBASE_H
#define RTM_INPORTBASE_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class ConnectionBuffer;

  class InPortBase
  {
  public:
    InPortBase(const char* name, const std::string& dataType);
    virtual ~InPortBase();
    InPortBase(const InPortBase&) = delete;
    InPortBase& operator=(const InPortBase&) = delete;

    const char* getName() const;
    const std::string& dataType() const;

    // True when the first connection's buffer holds an unread value.
    bool isNew();
    // True when the first connection's buffer is empty or there is no connection.
    bool isEmpty();

    // Middleware side, thread-safe: add a connection and get the buffer writers push into.
    std::shared_ptr<ConnectionBuffer> addConnection(const ConnectionSettings& settings);
    std::shared_ptr<ConnectionBuffer> findConnection(const std::string& id);
    bool removeConnection(const std::string& id);
    std::vector<ConnectionStatus> connections();
    // Whether `value` is exactly one value of this port's type, in this machine's byte order
    // or (`swapped`) in the other one; a swapped value is turned into this machine's order.
    virtual bool acceptEncoded(EncodedValue& value, bool swapped);

  protected:
    // Takes the oldest value of the first connection; false when there is none.
    bool takeFirst(EncodedValue& value);

  private:
    void pruneClosed();

    std::string m_name;
    std::string m_dataType;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<ConnectionBuffer>> m_connections;
  };
}

#endif
