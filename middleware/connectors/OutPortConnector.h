// What an out port hands its connections: the value being written, and the connection itself.
// Private to the middleware: components see only OutPort<T>::write.
#ifndef RTM_CONNECTORS_OUTPORTCONNECTOR_H
#define RTM_CONNECTORS_OUTPORTCONNECTOR_H

#include <rtm/CdrCodec.h>
#include <rtm/PortConnection.h>

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
    explicit OutPortConnector(const ConnectionSettings& settings) : m_settings(settings) {}
    virtual ~OutPortConnector() = default;
    const ConnectionSettings& settings() const { return m_settings; }

    // Hands one value to the reader; false when the reader is gone for good.
    virtual bool deliver(OutgoingValue& value) = 0;
    // Called once when the connection is removed from the out port.
    virtual void close() = 0;
    // Values waiting and dropped at the reader, as far as this side can tell.
    virtual ConnectionStatus status() = 0;

  private:
    ConnectionSettings m_settings;
  };
}

#endif
