// The OpenRTM::ComponentObserver objects tools register with a component (rtwatch, RT System
// Editor's live view), and the notifications they get.
//
// notify() only queues: it is called on the execution context thread and from servant calls,
// which must never wait on an observer's network. One sender thread per component, started
// with the first observer, delivers the queue and the heartbeats; it sleeps until the next
// heartbeat or notification is due, so an idle observer costs a wake-up per interval. An
// observer whose call fails is dropped, as OpenRTM-aist drops it.
#ifndef RTM_REMOTE_COMPONENTOBSERVERS_H
#define RTM_REMOTE_COMPONENTOBSERVERS_H

#include <rtm/idl/ComponentObserver.hh>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RTC
{
  class ComponentObservers
  {
  public:
    ComponentObservers() = default;
    ~ComponentObservers();
    ComponentObservers(const ComponentObservers&) = delete;
    ComponentObservers& operator=(const ComponentObservers&) = delete;

    // add_service_profile: false, as OpenRTM-aist answers, for another interface type, an
    // empty id, or a service that is not a ComponentObserver. The same id again replaces the
    // observer's settings. Properties read: observed_status (default ALL),
    // heartbeat.enable (default NO), heartbeat.interval (seconds, default 1).
    bool add(const SDOPackage::ServiceProfile& profile);
    // remove_service_profile: false for an unknown or empty id.
    bool remove(const std::string& id);
    void notify(OpenRTM::StatusKind kind, const std::string& hint);
    // Stops the sender thread; observers are forgotten.
    void close();

  private:
    typedef std::chrono::steady_clock Clock;
    struct Observer
    {
      std::string id;
      OpenRTM::ComponentObserver_var reference;
      bool observed[OpenRTM::STATUS_KIND_NUM] = {};
      bool heartbeat = false;
      Clock::duration interval{std::chrono::seconds(1)};
      Clock::time_point nextBeat;
    };
    struct Message
    {
      std::string observerId;
      OpenRTM::StatusKind kind;
      std::string hint;
    };

    void run();
    // Sends one message outside the lock; drops the observer when it fails.
    void send(const Message& message, OpenRTM::ComponentObserver_ptr reference);
    Clock::time_point nextBeatLocked() const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Observer> m_observers;   // guarded by m_mutex
    std::deque<Message> m_queue;         // guarded by m_mutex
    bool m_closing = false;
    std::thread m_sender;
  };
}

#endif
