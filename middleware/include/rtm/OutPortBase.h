// Untyped part of an output data port: delivers each encoded value to every connection.
#ifndef RTM_OUTPORTBASE_H
#define RTM_OUTPORTBASE_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  // One outgoing connection; the middleware's own (connectors/OutPortConnector.h).
  class OutPortConnector;

  class OutPortBase
  {
  public:
    OutPortBase(const char* name, const std::string& dataType);
    virtual ~OutPortBase();
    OutPortBase(const OutPortBase&) = delete;
    OutPortBase& operator=(const OutPortBase&) = delete;

    const char* getName() const;
    const std::string& dataType() const;

    // Middleware side, thread-safe.
    void addConnector(const std::shared_ptr<OutPortConnector>& connector);
    bool removeConnector(const std::string& id);
    std::vector<ConnectionStatus> connections();

  protected:
    // Encodes the value in the other byte order, for the connections that want it.
    typedef bool (*SwappedEncoder)(const void* value, EncodedValue& out);

    // Delivers `native`, the bytes of `value`, to every connection; a connection whose reader
    // is gone is dropped with one warning. False when nothing is connected.
    bool deliverToAll(const EncodedValue& native, SwappedEncoder encoder, const void* value);

  private:
    std::string m_name;
    std::string m_dataType;
    std::mutex m_mutex;   // guards the list only; delivery runs on a copy of it
    std::vector<std::shared_ptr<OutPortConnector>> m_connectors;
  };
}

#endif
