// Turns data port values into CDR bytes and back, with omniORB's marshalling of the IDL type.
// Every connection, in-process or remote, carries values in this one encoded form.
#ifndef RTM_CDRCODEC_H
#define RTM_CDRCODEC_H

#include <omniORB4/CORBA.h>

#include <string>
#include <vector>

namespace RTC
{
  typedef std::vector<unsigned char> EncodedValue;

  template <typename T> bool encodeValue(const T& value, EncodedValue& out)
  {
    try
      {
        cdrMemoryStream stream;
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

  // A stream built by copying starts aligned, whatever the alignment of `in`'s storage.
  template <typename T> bool decodeValue(const EncodedValue& in, T& value)
  {
    try
      {
        cdrMemoryStream stream(static_cast<CORBA::ULong>(in.size()));
        stream.put_octet_array(in.data(), static_cast<CORBA::ULong>(in.size()));
        T decoded;
        decoded <<= stream;
        value = decoded;
        return true;
      }
    catch (const CORBA::SystemException&)
      {
        return false;
      }
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
