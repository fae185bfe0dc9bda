// Name-value lists of the SDO and RTC interfaces (connector and port properties). OpenRTM-aist
// writes every value as a string any and ignores values of other types, and so do we, except
// where an object reference is expected.
#ifndef RTM_REMOTE_NAMEVALUES_H
#define RTM_REMOTE_NAMEVALUES_H

#include <coil/Properties.h>
#include <rtm/idl/SdoInterfaces.hh>

#include <string>

namespace RTC
{
  // The value named `name` when it is a string; false otherwise or when absent.
  bool findString(const SDOPackage::NVList& list, const char* name, std::string& value);
  // The string value, or `fallback` when absent or not a string.
  std::string stringOr(const SDOPackage::NVList& list, const char* name,
                       const std::string& fallback = std::string());
  // The value named `name`, null when absent.
  const CORBA::Any* findValue(const SDOPackage::NVList& list, const char* name);
  // Sets `name` to a string any, replacing an entry of that name.
  void setString(SDOPackage::NVList& list, const char* name, const std::string& value);
  void setValue(SDOPackage::NVList& list, const char* name, const CORBA::Any& value);

  // String entries only.
  coil::Properties toProperties(const SDOPackage::NVList& list);
  SDOPackage::NVList toNameValues(const coil::Properties& properties);
}

#endif
