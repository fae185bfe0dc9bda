// Key/value table with dotted keys, as used for component profiles and configuration.
#ifndef COIL_PROPERTIES_H
#define COIL_PROPERTIES_H

#include <climits>
#include <istream>
#include <map>
#include <string>
#include <vector>

namespace coil
{
  class Properties
  {
  public:
    Properties();
    // Reads key, value pairs from `defaults` until an empty key or `num` table entries.
    // The parameter type is deliberately non-const, as in the middleware this mirrors.
    explicit Properties(const char* defaults[], long num = LONG_MAX);

    const std::string& getProperty(const std::string& key) const;
    const std::string& getProperty(const std::string& key, const std::string& def) const;
    std::string setProperty(const std::string& key, const std::string& value);
    std::string& operator[](const std::string& key);

    bool hasKey(const std::string& key) const;
    std::vector<std::string> propertyNames() const;
    // The keys below `prefix.` with that prefix removed.
    Properties getNode(const std::string& prefix) const;
    // Copies every entry of `other` over this one.
    void merge(const Properties& other);
    std::size_t size() const;

    // Reads "key: value" or "key = value" lines; '#' and '!' start comments, a trailing
    // backslash continues the line. Returns false and sets `error` on a malformed line.
    bool load(std::istream& in, std::string& error);

  private:
    std::map<std::string, std::string> m_entries;
  };
}

#endif
