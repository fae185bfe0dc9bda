// Typed input data port bound to a component's variable.
#ifndef RTM_INPORT_H
#define RTM_INPORT_H

#include <rtm/InPortBase.h>

namespace RTC
{
  template <typename DataType> class InPort : public InPortBase
  {
  public:
    // The buffer, blocking and time-out arguments are accepted for compatibility; the buffer of
    // each connection is set by the connection (buffer.length) and reads never block.
    InPort(const char* name, DataType& value, int bufsize = 64, bool read_block = false,
           bool write_block = false, int read_timeout = 0, int write_timeout = 0)
      : InPortBase(name, dataTypeName<DataType>()), m_value(value)
    {
      (void)bufsize;
      (void)read_block;
      (void)write_block;
      (void)read_timeout;
      (void)write_timeout;
    }

    // Takes the oldest value of any connection into the bound variable; false, leaving the
    // variable untouched, when nothing is there. Runs on the caller's thread.
    bool read()
    {
      EncodedValue encoded;
      if (!takeOldest(encoded)) { return false; }
      return decodeValue(encoded, m_value);
    }

    bool acceptEncoded(EncodedValue& value, bool swapped) override
    {
      DataType decoded;
      if (!decodeValue(value, decoded, swapped)) { return false; }
      return !swapped || encodeValue(decoded, value);
    }

  private:
    DataType& m_value;
  };
}

#endif
