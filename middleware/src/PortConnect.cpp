#include "PortConnect.h"

#include "ConnectionBuffer.h"
#include "InProcessConnector.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace RTC
{
  namespace
  {
    std::string property(const coil::Properties& properties, const std::string& key)
    {
      const std::string& plain = properties.getProperty(key);
      return plain.empty() ? properties.getProperty("dataport." + key) : plain;
    }
  }

  std::string newConnectionId()
  {
    static std::atomic<unsigned long> counter(0);
    static const unsigned long long salt = [] {
      std::random_device device;
      return (static_cast<unsigned long long>(device()) << 32) ^ device();
    }();
    char text[64];
    std::snprintf(text, sizeof(text), "%llx-%ld-%lu", salt, static_cast<long>(::getpid()),
                  ++counter);
    return text;
  }

  bool makeConnectionSettings(const coil::Properties& properties, const std::string& outPort,
                              const std::string& inPort, ConnectionSettings& settings,
                              std::string& error)
  {
    settings.outPort = outPort;
    settings.inPort = inPort;
    settings.id = newConnectionId();
    settings.name = property(properties, "name");
    if (settings.name.empty()) { settings.name = outPort + "_" + inPort; }

    const std::string length = property(properties, "buffer.length");
    if (!length.empty())
      {
        char* end = nullptr;
        long value = std::strtol(length.c_str(), &end, 10);
        if (*end != '\0' || value < 1 || value > 1000000)
          {
            error = "buffer.length must be a number from 1 to 1000000, got '" + length + "'";
            return false;
          }
        settings.bufferLength = static_cast<std::size_t>(value);
      }
    const std::string policy = property(properties, "buffer.write.full_policy");
    if (policy.empty() || policy == "overwrite") { settings.overwriteWhenFull = true; }
    else if (policy == "do_nothing") { settings.overwriteWhenFull = false; }
    else
      {
        error = "buffer.write.full_policy must be overwrite or do_nothing, got '" + policy + "'";
        return false;
      }
    return true;
  }

  bool connectInProcess(OutPortBase& out, InPortBase& in, const ConnectionSettings& settings,
                        std::string& error)
  {
    if (out.dataType() != in.dataType())
      {
        error = "data types differ: " + settings.outPort + " carries " + out.dataType() + ", " +
                settings.inPort + " takes " + in.dataType();
        return false;
      }
    std::shared_ptr<ConnectionBuffer> buffer = in.addConnection(settings);
    out.addConnector(std::make_shared<InProcessConnector>(settings, buffer));
    return true;
  }
}
