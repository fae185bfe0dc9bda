// Typed output data port bound to a component's variable.
#ifndef RTM_OUTPORT_H
#define RTM_OUTPORT_H

#include <rtm/OutPortBase.h>

namespace RTC
{
  template <typename DataType> class OutPort : public OutPortBase
  {
  public:
    OutPort(const char* name, DataType& value)
      : OutPortBase(name, dataTypeName<DataType>()), m_value(value)
    {
    }

    // Sends the bound variable to every connection; false when nothing is connected.
    // Remote deliveries are synchronous with a bounded call time-out.
    bool write() { return write(m_value); }

    bool write(DataType& value)
    {
      EncodedValue encoded;
      if (!encodeValue(value, encoded)) { return false; }
      return deliverToAll(encoded, &encodeSwapped, &value);
    }

  private:
    static bool encodeSwapped(const void* value, EncodedValue& out)
    {
      return encodeValue(*static_cast<const DataType*>(value), out, true);
    }

    DataType& m_value;
  };
}

#endif
