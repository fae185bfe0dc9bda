#include <rtm/InPortBase.h>

#include "ConnectionBuffer.h"
#include "Log.h"
#include "PortBuffer.h"
#include "PullSource.h"

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
    m_pulls.erase(std::remove_if(m_pulls.begin(), m_pulls.end(),
                                 [](const Pull& p) { return p.buffer->closed(); }),
                  m_pulls.end());
  }

  bool InPortBase::isNew()
  {
    if (m_buffer->empty()) { pullOne(); }
    return !m_buffer->empty();
  }

  void InPortBase::pullOne()
  {
    std::vector<Pull> pulls;
    std::size_t first = 0;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      pruneClosed();
      pulls = m_pulls;
      first = m_nextPull;
    }
    // No lock while the writers are asked: each call is bounded by the data call time-out.
    for (std::size_t i = 0; i < pulls.size(); ++i)
      {
        const Pull& pull = pulls[(first + i) % pulls.size()];
        EncodedValue value;
        const PullSource::Answer answer = pull.source->pull(value);
        if (answer == PullSource::Answer::Gone)
          {
            // Whoever removes it first warns: this reader or the connection watcher.
            if (removeConnection(pull.buffer->settings().id))
              {
                Log::warn("port " + m_name + ": writer of connection '" +
                          pull.buffer->settings().name + "' is gone; connection dropped");
              }
            continue;
          }
        if (answer != PullSource::Answer::Value) { continue; }
        pull.buffer->store(std::move(value));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nextPull = (first + i + 1) % pulls.size();
        return;
      }
  }

  bool InPortBase::isEmpty()
  {
    return !isNew();
  }

  bool InPortBase::takeOldest(EncodedValue& value)
  {
    if (m_buffer->empty()) { pullOne(); }
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

  std::shared_ptr<ConnectionBuffer>
  InPortBase::addConnection(const ConnectionSettings& settings,
                            const std::shared_ptr<PullSource>& source)
  {
    auto buffer = addConnection(settings);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pulls.push_back(Pull{buffer, source});
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
