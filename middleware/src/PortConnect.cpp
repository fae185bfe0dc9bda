#include "PortConnect.h"

#include "ConnectionBuffer.h"
#include "InProcessConnector.h"

#include <atomic>
#include <cctype>
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

    std::string lowerTrimmed(const std::string& text)
    {
      const std::string::size_type begin = text.find_first_not_of(" \t");
      if (begin == std::string::npos) { return std::string(); }
      std::string result = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
      for (char& c : result) { c = static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
      return result;
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
    const std::string subscription = lowerTrimmed(property(properties, "subscription_type"));
    if (subscription.empty() || subscription == "flush") { settings.publisherThread = false; }
    else if (subscription == "new") { settings.publisherThread = true; }
    else
      {
        error = "subscription_type must be flush or new, got '" + subscription + "'";
        return false;
      }
    const std::string push = lowerTrimmed(property(properties, "publisher.push_policy"));
    if (push.empty() || push == "new") { settings.pushAll = false; }
    else if (push == "all") { settings.pushAll = true; }
    else
      {
        error = "publisher.push_policy must be all or new, got '" + push + "'";
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
