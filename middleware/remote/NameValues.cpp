#include "NameValues.h"

#include <cstring>

namespace RTC
{
  const CORBA::Any* findValue(const SDOPackage::NVList& list, const char* name)
  {
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        if (std::strcmp(list[i].name.in(), name) == 0) { return &list[i].value; }
      }
    return nullptr;
  }

  bool findString(const SDOPackage::NVList& list, const char* name, std::string& value)
  {
    const CORBA::Any* any = findValue(list, name);
    const char* text = nullptr;
    if (any == nullptr || !(*any >>= text) || text == nullptr) { return false; }
    value = text;
    return true;
  }

  std::string stringOr(const SDOPackage::NVList& list, const char* name,
                       const std::string& fallback)
  {
    std::string value;
    return findString(list, name, value) ? value : fallback;
  }

  void setValue(SDOPackage::NVList& list, const char* name, const CORBA::Any& value)
  {
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        if (std::strcmp(list[i].name.in(), name) == 0)
          {
            list[i].value = value;
            return;
          }
      }
    const CORBA::ULong length = list.length();
    list.length(length + 1);
    list[length].name = CORBA::string_dup(name);
    list[length].value = value;
  }

  void setString(SDOPackage::NVList& list, const char* name, const std::string& value)
  {
    CORBA::Any any;
    any <<= value.c_str();
    setValue(list, name, any);
  }

  coil::Properties toProperties(const SDOPackage::NVList& list)
  {
    coil::Properties properties;
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        const char* text = nullptr;
        if ((list[i].value >>= text) && text != nullptr)
          {
            properties.setProperty(list[i].name.in(), text);
          }
      }
    return properties;
  }

  SDOPackage::NVList toNameValues(const coil::Properties& properties)
  {
    SDOPackage::NVList list;
    const std::vector<std::string> names = properties.propertyNames();
    list.length(static_cast<CORBA::ULong>(names.size()));
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        list[i].name = CORBA::string_dup(names[i].c_str());
        list[i].value <<= properties.getProperty(names[i]).c_str();
      }
    return list;
  }
}
