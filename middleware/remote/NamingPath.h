// Names in the naming service as texts: naming.formats expansion, slash-separated paths with
// "id.kind" segments, and naming service addresses.
#ifndef RTM_REMOTE_NAMINGPATH_H
#define RTM_REMOTE_NAMINGPATH_H

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>

namespace RTC
{
  struct NamingFields
  {
    std::string instanceName;   // %n
    std::string typeName;       // %t
    std::string category;       // %c
    std::string hostName;       // %h
    std::string processId;      // %p
  };

  // Replaces %n, %t, %c, %h, %p and %% in one naming.formats entry; other % sequences stay.
  std::string expandNamingFormat(const std::string& format, const NamingFields& fields);

  // "a.host_cxt/b.rtc" -> [{a, host_cxt}, {b, rtc}]: segments split at '/', each at its last
  // '.' into id and kind. Empty segments are skipped.
  CosNaming::Name toNamingName(const std::string& path);
  std::string toPathText(const CosNaming::Name& name);

  // "host" or "host:port" (default port 2809) -> "corbaloc::host:port/NameService".
  std::string nameServiceLocation(const std::string& server);

  std::string localHostName();
}

#endif
