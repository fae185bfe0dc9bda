// Keeps this process's components registered in the naming services of corba.nameservers.
//
// add() binds at once where a naming service answers. A background thread then wakes every
// interval: names not yet bound (the naming service was down) are bound, and bound names are
// checked and bound again when they are gone (a naming service restarted without its log).
// A naming service that does not answer is reported once with a warning until it answers again.
// One mutex guards everything, and is held across the naming calls, so that remove() never
// races with a background bind of the same name.
#ifndef RTM_REMOTE_NAMEREGISTRAR_H
#define RTM_REMOTE_NAMEREGISTRAR_H

#include "NamingClient.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RTC
{
  class NameRegistrar
  {
  public:
    NameRegistrar(CORBA::ORB_ptr orb, const std::vector<std::string>& servers,
                  std::chrono::milliseconds interval);
    ~NameRegistrar();
    NameRegistrar(const NameRegistrar&) = delete;
    NameRegistrar& operator=(const NameRegistrar&) = delete;

    // Registers `object` as `path` at every naming service, on behalf of `owner`.
    void add(const std::string& owner, const std::string& path, CORBA::Object_ptr object);
    // Unbinds every name of `owner` that is still bound to its object.
    void remove(const std::string& owner);
    // Ends the background thread; remove() still works afterwards.
    void stop();

  private:
    struct Server
    {
      std::unique_ptr<NamingClient> client;
      bool down = false;   // reported as not answering, not yet answering again
    };
    struct Binding
    {
      std::string owner;
      std::string path;
      CosNaming::Name name;
      CORBA::Object_var object;
      std::size_t server;
      bool bound = false;
      bool refused = false;   // the naming service refused the name itself; not retried
    };

    void run();
    void refreshLocked();
    // Binds or checks one name; false when its naming service did not answer.
    bool ensureLocked(Binding& binding, bool check);
    void serverDownLocked(std::size_t server, const std::string& reason);

    const std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Server> m_servers;
    std::vector<Binding> m_bindings;
    bool m_stopping = false;
    std::thread m_thread;
  };
}

#endif
