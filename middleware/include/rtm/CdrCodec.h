// Turns data port values into CDR bytes and back, with omniORB's marshalling of the IDL type.
// Every connection carries values in this one encoded form: bare CDR, aligned from the first
// byte, without a byte-order mark, as OpenRTM-aist's data ports exchange them. Values are kept
// in this machine's byte order; connections that want the other one swap at the edge.
#ifndef RTM_CDRCODEC_H
#define RTM_CDRCODEC_H

#include <omniORB4/CORBA.h>

#include <string>
#include <vector>

namespace RTC
{
  typedef std::vector<unsigned char> EncodedValue;

  // True when this machine's CDR byte order is little endian.
  inline bool nativeLittleEndian()
  {
    return omni::myByteOrder != 0;
  }

  // `swapped`: in the byte order other than this machine's.
  template <typename T> bool encodeValue(const T& value, EncodedValue& out, bool swapped = false)
  {
    try
      {
        cdrMemoryStream stream;
        if (swapped) { stream.setByteSwapFlag(!nativeLittleEndian()); }
        value >>= stream;
        const unsigned char* begin = static_cast<const unsigned char*>(stream.bufPtr());
        out.assign(begin, begin + stream.bufSize());
        return true;
      }
    catch (const CORBA::SystemException&)
      {
        return false;
      }
  }

  // Decodes exactly one value that takes all `size` bytes. A stream built by copying starts
  // aligned, whatever the alignment of `bytes`.
  template <typename T>
  bool decodeValue(const unsigned char* bytes, std::size_t size, T& value, bool swapped = false)
  {
    try
      {
        cdrMemoryStream stream(static_cast<CORBA::ULong>(size));
        stream.put_octet_array(bytes, static_cast<int>(size));
        if (swapped) { stream.setByteSwapFlag(!nativeLittleEndian()); }
        T decoded;
        decoded <<= stream;
        if (stream.currentInputPtr() != size) { return false; }
        value = decoded;
        return true;
      }
    catch (const CORBA::SystemException&)
      {
        return false;
      }
  }

  template <typename T> bool decodeValue(const EncodedValue& in, T& value, bool swapped = false)
  {
    return decodeValue(in.data(), in.size(), value, swapped);
  }

  // The repository id of the IDL type, e.g. "IDL:RTC/TimedString:1.0": what port type checks compare.
  template <typename T> std::string dataTypeName()
  {
    CORBA::Any any;
    any <<= T();
    return any.type()->id();
  }
}

#endif
