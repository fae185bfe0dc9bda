#include "NamingPath.h"

#include "TextUtil.h"

#include <sstream>
#include <unistd.h>

namespace RTC
{
  std::string expandNamingFormat(const std::string& format, const NamingFields& fields)
  {
    std::string result;
    for (std::string::size_type i = 0; i < format.size(); ++i)
      {
        if (format[i] != '%' || i + 1 == format.size())
          {
            result += format[i];
            continue;
          }
        const char code = format[++i];
        switch (code)
          {
          case 'n': result += fields.instanceName; break;
          case 't': result += fields.typeName; break;
          case 'c': result += fields.category; break;
          case 'h': result += fields.hostName; break;
          case 'p': result += fields.processId; break;
          case '%': result += '%'; break;
          default: result += '%'; result += code;
          }
      }
    return result;
  }

  CosNaming::Name toNamingName(const std::string& path)
  {
    std::vector<std::string> segments;
    std::stringstream stream(path);
    std::string segment;
    while (std::getline(stream, segment, '/'))
      {
        if (!segment.empty()) { segments.push_back(segment); }
      }
    CosNaming::Name name;
    name.length(static_cast<CORBA::ULong>(segments.size()));
    for (CORBA::ULong i = 0; i < name.length(); ++i)
      {
        const std::string& text = segments[i];
        std::string::size_type dot = text.rfind('.');
        name[i].id = CORBA::string_dup(text.substr(0, dot).c_str());
        name[i].kind =
          CORBA::string_dup(dot == std::string::npos ? "" : text.substr(dot + 1).c_str());
      }
    return name;
  }

  std::string toPathText(const CosNaming::Name& name)
  {
    std::string path;
    for (CORBA::ULong i = 0; i < name.length(); ++i)
      {
        if (i > 0) { path += '/'; }
        path += static_cast<const char*>(name[i].id);
        const std::string kind(name[i].kind);
        if (!kind.empty()) { path += "." + kind; }
      }
    return path;
  }

  std::string nameServiceLocation(const std::string& server)
  {
    std::string address = trim(server);
    if (address.find(':') == std::string::npos) { address += ":2809"; }
    return "corbaloc::" + address + "/NameService";
  }

  std::string localHostName()
  {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0 || name[0] == '\0') { return "localhost"; }
    return name;
  }
}
