#include <coil/Properties.h>

#include "TextUtil.h"

namespace coil
{
  namespace
  {
    const std::string kEmpty;
    using RTC::trim;
  }

  Properties::Properties() = default;

  Properties::Properties(const char* defaults[], long num)
  {
    if (defaults == nullptr) { return; }
    // `num` counts table entries (keys and values), as the table is laid out.
    for (long i = 0; i + 1 < num; i += 2)
      {
        const char* key = defaults[i];
        if (key == nullptr || key[0] == '\0') { break; }
        const char* value = defaults[i + 1];
        m_entries[trim(key)] = trim(value != nullptr ? value : "");
      }
  }

  const std::string& Properties::getProperty(const std::string& key) const
  {
    return getProperty(key, kEmpty);
  }

  const std::string& Properties::getProperty(const std::string& key, const std::string& def) const
  {
    auto it = m_entries.find(key);
    return it != m_entries.end() ? it->second : def;
  }

  std::string Properties::setProperty(const std::string& key, const std::string& value)
  {
    std::string previous = getProperty(key);
    m_entries[key] = value;
    return previous;
  }

  std::string& Properties::operator[](const std::string& key)
  {
    return m_entries[key];
  }

  bool Properties::hasKey(const std::string& key) const
  {
    return m_entries.count(key) != 0;
  }

  std::vector<std::string> Properties::propertyNames() const
  {
    std::vector<std::string> names;
    names.reserve(m_entries.size());
    for (const auto& entry : m_entries) { names.push_back(entry.first); }
    return names;
  }

  Properties Properties::getNode(const std::string& prefix) const
  {
    Properties node;
    const std::string dotted = prefix + ".";
    for (auto it = m_entries.lower_bound(dotted);
         it != m_entries.end() && it->first.compare(0, dotted.size(), dotted) == 0; ++it)
      {
        node.m_entries[it->first.substr(dotted.size())] = it->second;
      }
    return node;
  }

  void Properties::merge(const Properties& other)
  {
    for (const auto& entry : other.m_entries) { m_entries[entry.first] = entry.second; }
  }

  std::size_t Properties::size() const
  {
    return m_entries.size();
  }

  bool Properties::load(std::istream& in, std::string& error)
  {
    std::string line;
    std::string pending;
    int lineNumber = 0;
    while (std::getline(in, line))
      {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') { line.pop_back(); }
        std::string text = pending.empty() ? trim(line) : pending + trim(line);
        pending.clear();
        if (text.empty() || text[0] == '#' || text[0] == '!') { continue; }
        if (text.back() == '\\')
          {
            text.pop_back();
            pending = text;
            continue;
          }
        std::string::size_type split = text.find_first_of(":=");
        if (split == std::string::npos)
          {
            error =
              "line " + std::to_string(lineNumber) + ": expected 'key: value', got '" + text + "'";
            return false;
          }
        std::string key = trim(text.substr(0, split));
        if (key.empty())
          {
            error = "line " + std::to_string(lineNumber) + ": empty key";
            return false;
          }
        m_entries[key] = trim(text.substr(split + 1));
      }
    if (!pending.empty())
      {
        std::string::size_type split = pending.find_first_of(":=");
        if (split == std::string::npos || trim(pending.substr(0, split)).empty())
          {
            error = "line " + std::to_string(lineNumber) + ": unfinished continued line";
            return false;
          }
        m_entries[trim(pending.substr(0, split))] = trim(pending.substr(split + 1));
      }
    return true;
  }
}
