#include <rtm/OutPortBase.h>

#include "Log.h"
#include "OutPortConnector.h"

#include <algorithm>

namespace RTC
{
  OutPortBase::OutPortBase(const char* name, const std::string& dataType)
    : m_name(name != nullptr ? name : ""), m_dataType(dataType)
  {
  }

  OutPortBase::~OutPortBase()
  {
    std::vector<std::shared_ptr<OutPortConnector>> connectors;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      connectors.swap(m_connectors);
    }
    for (auto& connector : connectors) { connector->close(); }
  }

  const char* OutPortBase::getName() const
  {
    return m_name.c_str();
  }
  const std::string& OutPortBase::dataType() const
  {
    return m_dataType;
  }

  void OutPortBase::addConnector(const std::shared_ptr<OutPortConnector>& connector)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connectors.push_back(connector);
  }

  bool OutPortBase::removeConnector(const std::string& id)
  {
    std::shared_ptr<OutPortConnector> removed;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto it = std::find_if(
        m_connectors.begin(), m_connectors.end(),
        [&id](const std::shared_ptr<OutPortConnector>& c) { return c->settings().id == id; });
      if (it == m_connectors.end()) { return false; }
      removed = *it;
      m_connectors.erase(it);
    }
    removed->close();
    return true;
  }

  std::vector<ConnectionStatus> OutPortBase::connections()
  {
    std::vector<std::shared_ptr<OutPortConnector>> connectors;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      connectors = m_connectors;
    }
    std::vector<ConnectionStatus> result;
    for (auto& connector : connectors) { result.push_back(connector->status()); }
    return result;
  }

  bool OutPortBase::deliverToAll(const EncodedValue& native, SwappedEncoder encoder,
                                 const void* value)
  {
    OutgoingValue outgoing(native, encoder, value);
    std::vector<std::shared_ptr<OutPortConnector>> connectors;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      connectors = m_connectors;
    }
    if (connectors.empty()) { return false; }
    for (auto& connector : connectors)
      {
        if (connector->deliver(outgoing)) { continue; }
        // The list may have changed meanwhile; only the first to remove it warns.
        if (removeConnector(connector->settings().id))
          {
            Log::warn("port " + m_name + ": reader of connection '" + connector->settings().name +
                      "' is gone; connection dropped");
          }
      }
    return true;
  }
}
