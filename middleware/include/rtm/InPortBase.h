// Untyped part of an input data port: its connections feed one buffer, read in arrival order.
// Pull connections feed it too, when the reader finds it empty: isNew() and read() then ask
// their writers, in turn, for one value.
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
  class PortBuffer;
  class PullSource;

  class InPortBase
  {
  public:
    InPortBase(const char* name, const std::string& dataType);
    virtual ~InPortBase();
    InPortBase(const InPortBase&) = delete;
    InPortBase& operator=(const InPortBase&) = delete;

    const char* getName() const;
    const std::string& dataType() const;

    // True when the port's buffer holds an unread value, from whichever connection.
    bool isNew();
    // True when the port's buffer is empty (also when there is no connection).
    bool isEmpty();

    // Middleware side, thread-safe: add a connection and get the buffer writers push into.
    std::shared_ptr<ConnectionBuffer> addConnection(const ConnectionSettings& settings);
    // A pull connection: its values come from `source` when the reader asks.
    std::shared_ptr<ConnectionBuffer> addConnection(const ConnectionSettings& settings,
                                                    const std::shared_ptr<PullSource>& source);
    std::shared_ptr<ConnectionBuffer> findConnection(const std::string& id);
    bool removeConnection(const std::string& id);
    std::vector<ConnectionStatus> connections();
    // Whether `value` is exactly one value of this port's type, in this machine's byte order
    // or (`swapped`) in the other one; a swapped value is turned into this machine's order.
    virtual bool acceptEncoded(EncodedValue& value, bool swapped);

  protected:
    // Takes the oldest value of any connection; false when there is none.
    bool takeOldest(EncodedValue& value);

  private:
    struct Pull
    {
      std::shared_ptr<ConnectionBuffer> buffer;
      std::shared_ptr<PullSource> source;
    };
    void pruneClosed();
    // Asks the pull connections, from the one after the last asked, until one has a value.
    void pullOne();

    std::string m_name;
    std::string m_dataType;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<ConnectionBuffer>> m_connections;   // guarded by m_mutex
    std::vector<Pull> m_pulls;                                      // guarded by m_mutex
    std::size_t m_nextPull = 0;                                     // guarded by m_mutex
    const std::shared_ptr<PortBuffer> m_buffer;                     // thread-safe itself
  };
}

#endif
