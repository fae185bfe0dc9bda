#include <rtm/InPortBase.h>

#include "ConnectionBuffer.h"
#include "PortBuffer.h"

#include <algorithm>

namespace RTC
{
  InPortBase::InPortBase(const char* name, const std::string& dataType)
    : m_name(name != nullptr ? name : ""), m_dataType(dataType),
      m_buffer(std::make_shared<PortBuffer>())
  {
  }

  InPortBase::~InPortBase()
  {
    // Writers still holding a buffer see it closed and drop the connection.
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& connection : m_connections) { connection->close(); }
  }

  const char* InPortBase::getName() const
  {
    return m_name.c_str();
  }
  const std::string& InPortBase::dataType() const
  {
    return m_dataType;
  }

  void InPortBase::pruneClosed()
  {
    m_connections.erase(
      std::remove_if(m_connections.begin(), m_connections.end(),
                     [](const std::shared_ptr<ConnectionBuffer>& c) { return c->closed(); }),
      m_connections.end());
  }

  bool InPortBase::isNew()
  {
    return !m_buffer->empty();
  }

  bool InPortBase::isEmpty()
  {
    return !isNew();
  }

  bool InPortBase::takeOldest(EncodedValue& value)
  {
    return m_buffer->pop(value);
  }

  std::shared_ptr<ConnectionBuffer> InPortBase::addConnection(const ConnectionSettings& settings)
  {
    auto buffer = std::make_shared<ConnectionBuffer>(settings, m_buffer);
    std::lock_guard<std::mutex> lock(m_mutex);
    pruneClosed();
    m_connections.push_back(buffer);
    return buffer;
  }

  std::shared_ptr<ConnectionBuffer> InPortBase::findConnection(const std::string& id)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& connection : m_connections)
      {
        if (connection->settings().id == id && !connection->closed()) { return connection; }
      }
    return nullptr;
  }

  bool InPortBase::removeConnection(const std::string& id)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    bool found = false;
    for (auto& connection : m_connections)
      {
        if (connection->settings().id == id)
          {
            connection->close();
            found = true;
          }
      }
    pruneClosed();
    return found;
  }

  bool InPortBase::acceptEncoded(EncodedValue&, bool swapped)
  {
    // Without the type nothing can be checked or swapped.
    return !swapped;
  }

  std::vector<ConnectionStatus> InPortBase::connections()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    pruneClosed();
    std::vector<ConnectionStatus> result;
    for (auto& connection : m_connections) { result.push_back(connection->status()); }
    return result;
  }
}
