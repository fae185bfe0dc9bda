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
  // One value being written: its bytes in this machine's byte order, and, made on first demand
  // and once per write, in the other byte order.
  class OutgoingValue
  {
  public:
    typedef bool (*SwappedEncoder)(const void* value, EncodedValue& out);

    OutgoingValue(const EncodedValue& native, SwappedEncoder encoder, const void* value)
      : m_native(native), m_encoder(encoder), m_value(value)
    {
    }

    const EncodedValue& native() const { return m_native; }
    // Null when the value cannot be encoded so.
    const EncodedValue* bytes(bool swapped)
    {
      if (!swapped) { return &m_native; }
      if (!m_swappedDone)
        {
          m_swappedDone = true;
          m_swappedOk = m_encoder != nullptr && m_encoder(m_value, m_swapped);
        }
      return m_swappedOk ? &m_swapped : nullptr;
    }

  private:
    const EncodedValue& m_native;
    SwappedEncoder m_encoder;
    const void* m_value;
    EncodedValue m_swapped;
    bool m_swappedDone = false;
    bool m_swappedOk = false;
  };

  // One outgoing connection. Implementations deliver in-process or to another process.
  class OutPortConnector
  {
  public:
    explicit OutPortConnector(const ConnectionSettings& settings);
    virtual ~OutPortConnector();
    const ConnectionSettings& settings() const;

    // Hands one value to the reader; false when the reader is gone for good.
    virtual bool deliver(OutgoingValue& value) = 0;
    // Called once when the connection is removed from the out port.
    virtual void close() = 0;
    // Values waiting and dropped at the reader, as far as this side can tell.
    virtual ConnectionStatus status() = 0;

  private:
    ConnectionSettings m_settings;
  };

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
    // Delivers to every connection; a connection whose reader is gone is dropped with one
    // warning. False when nothing is connected.
    bool deliverToAll(OutgoingValue& value);

  private:
    std::string m_name;
    std::string m_dataType;
    std::mutex m_mutex;   // guards the list only; delivery runs on a copy of it
    std::vector<std::shared_ptr<OutPortConnector>> m_connectors;
  };
}

#endif
