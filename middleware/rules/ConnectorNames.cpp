#include "ConnectorNames.h"

#include "ConnectorRules.h"

#include <cstdio>
#include <mutex>
#include <random>

namespace RTC
{
  std::string defaultConnectorName(const std::string& port0, const std::string& port1)
  {
    return port0 + ":" + port1;
  }

  std::string connectorName(const coil::Properties& given, const std::string& port0,
                            const std::string& port1)
  {
    return connectorValue(given, "name", defaultConnectorName(port0, port1));
  }

  std::string newConnectorId()
  {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    unsigned long long high = 0;
    unsigned long long low = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      high = generator();
      low = generator();
    }
    // Version 4, variant 1.
    high = (high & ~0xf000ULL) | 0x4000ULL;
    low = (low & ~(0xc000ULL << 48)) | (0x8000ULL << 48);
    char text[40];
    std::snprintf(text, sizeof(text), "%08llx-%04llx-%04llx-%04llx-%012llx", high >> 32,
                  (high >> 16) & 0xffffULL, high & 0xffffULL, low >> 48, low & 0xffffffffffffULL);
    return text;
  }

  int findPortName(const std::vector<std::string>& names, const std::string& wanted)
  {
    const std::string suffix = "." + wanted;
    int best = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
      {
        const std::string& name = names[i];
        if (name == wanted) { return static_cast<int>(i); }
        const bool ends = name.size() > suffix.size() &&
                          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        if (ends && (best < 0 || name.size() < names[best].size())) { best = static_cast<int>(i); }
      }
    return best;
  }

  std::string shortPortName(const std::string& name)
  {
    const std::string::size_type dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
  }
}
