#include "NameRegistrar.h"

#include "Log.h"
#include "NamingPath.h"

#include <algorithm>
#include <set>

namespace RTC
{
  NameRegistrar::NameRegistrar(CORBA::ORB_ptr orb, const std::vector<std::string>& servers,
                               std::chrono::milliseconds interval)
    : m_interval(interval)
  {
    for (const std::string& address : servers)
      {
        Server server;
        server.client.reset(new NamingClient(orb, address));
        m_servers.push_back(std::move(server));
      }
    m_thread = std::thread(&NameRegistrar::run, this);
  }

  NameRegistrar::~NameRegistrar()
  {
    stop();
  }

  void NameRegistrar::stop()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) { m_thread.join(); }
  }

  void NameRegistrar::add(const std::string& owner, const std::string& path,
                          CORBA::Object_ptr object)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t server = 0; server < m_servers.size(); ++server)
      {
        Binding binding;
        binding.owner = owner;
        binding.path = path;
        binding.name = toNamingName(path);
        binding.object = CORBA::Object::_duplicate(object);
        binding.server = server;
        m_bindings.push_back(binding);
        // A server already known to be down is left to the background thread.
        if (!m_servers[server].down) { ensureLocked(m_bindings.back(), false); }
      }
  }

  void NameRegistrar::remove(const std::string& owner)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Binding& binding : m_bindings)
      {
        if (binding.owner != owner || !binding.bound || m_servers[binding.server].down)
          {
            continue;
          }
        NamingClient& client = *m_servers[binding.server].client;
        try
          {
            client.unbindIfBoundTo(binding.name, binding.object);
          }
        catch (const CORBA::Exception& e)
          {
            Log::warn("could not remove " + binding.path + " from the naming service at " +
                      client.server() + ": " + e._name());
            client.forget();
          }
      }
    m_bindings.erase(
      std::remove_if(m_bindings.begin(), m_bindings.end(),
                     [&owner](const Binding& binding) { return binding.owner == owner; }),
      m_bindings.end());
  }

  void NameRegistrar::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping)
      {
        m_wake.wait_for(lock, m_interval, [this] { return m_stopping; });
        if (m_stopping) { break; }
        refreshLocked();
      }
  }

  void NameRegistrar::refreshLocked()
  {
    // A server that fails once is skipped for the rest of this round.
    std::set<std::size_t> failed;
    for (Binding& binding : m_bindings)
      {
        if (binding.refused || failed.count(binding.server) != 0) { continue; }
        if (!ensureLocked(binding, binding.bound)) { failed.insert(binding.server); }
      }
  }

  bool NameRegistrar::ensureLocked(Binding& binding, bool check)
  {
    Server& server = m_servers[binding.server];
    NamingClient& client = *server.client;
    try
      {
        if (check)
          {
            try
              {
                CORBA::Object_var bound = client.resolve(binding.name);
                return true;
              }
            catch (const CosNaming::NamingContext::NotFound&)
              {
                // Gone (a restarted naming service): bind again below.
              }
          }
        client.bind(binding.name, binding.object);
        if (server.down)
          {
            server.down = false;
            Log::info("naming service at " + client.server() + " answers again");
          }
        binding.bound = true;
        Log::info("registered " + binding.owner + " as " + binding.path +
                  " at the naming service at " + client.server());
        return true;
      }
    catch (const CORBA::SystemException& e)
      {
        serverDownLocked(binding.server, e._name());
        return false;
      }
    catch (const CORBA::Exception& e)
      {
        // A naming error (e.g. a path segment bound to an object, not a context) will not heal by itself.
        Log::error("cannot register " + binding.owner + " as " + binding.path + " at " +
                   client.server() + ": " + e._name());
        binding.refused = true;
      }
    return true;
  }

  void NameRegistrar::serverDownLocked(std::size_t index, const std::string& reason)
  {
    Server& server = m_servers[index];
    server.client->forget();
    for (Binding& binding : m_bindings)
      {
        if (binding.server == index) { binding.bound = false; }
      }
    if (server.down) { return; }
    server.down = true;
    Log::warn("naming service at " + server.client->server() + " does not answer (" + reason +
              "); components keep running and are registered once it answers");
  }
}
