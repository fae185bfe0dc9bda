// The observers tools register with a component (rtwatch, RT System Editor's live view), of
// either interface (ObserverReference), and the notifications they get.
//
// notify() only queues: it is called on the execution context thread and from servant calls,
// which must never wait on an observer's network. One sender thread per component, started
// with the first observer, delivers the queue and the heartbeats; it sleeps until the next
// heartbeat or notification is due, so an idle observer costs a wake-up per interval. An
// observer whose call fails is dropped, as OpenRTM-aist drops it.
#ifndef RTM_REMOTE_COMPONENTOBSERVERS_H
#define RTM_REMOTE_COMPONENTOBSERVERS_H

#include "ObserverReference.h"

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
    // empty id, or a service that is not the observer its type names. The same id again
    // replaces the observer's settings. Properties read: observed_status (default ALL),
    // heartbeat.enable (default NO), heartbeat.interval (seconds, default 1); an
    // RTC::ComponentObserver also rtc_heartbeat.enable and .interval (over heartbeat.*) and
    // ec_heartbeat.enable and .interval.
    bool add(const SDOPackage::ServiceProfile& profile);
    // remove_service_profile: false for an unknown or empty id.
    bool remove(const std::string& id);
    // `event` is one of the first kObservedChanges.
    void notify(ObservedEvent event, const std::string& hint);
    // Contexts the component takes part in besides its own: each has an EC heartbeat.
    void setParticipatingContexts(std::size_t count);
    // Stops the sender thread; observers are forgotten.
    void close();

  private:
    typedef std::chrono::steady_clock Clock;
    struct Heartbeat
    {
      bool enabled = false;
      Clock::duration interval{std::chrono::seconds(1)};
      Clock::time_point next;
    };
    struct Observer
    {
      std::string id;
      ObserverReference reference;
      bool observed[kObservedChanges] = {};
      Heartbeat rtcBeat;
      Heartbeat ecBeat;   // RTC::ComponentObserver only
    };
    struct Message
    {
      std::string observerId;
      ObservedEvent event;
      std::string hint;
    };

    void run();
    // Queues the heartbeats due at `now`.
    void beatLocked(Observer& observer, Clock::time_point now);
    // Sends one message outside the lock; drops the observer when it fails.
    void send(const Message& message, const ObserverReference& reference);
    Clock::time_point nextBeatLocked() const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Observer> m_observers;   // guarded by m_mutex
    std::deque<Message> m_queue;         // guarded by m_mutex
    std::size_t m_participating = 0;     // guarded by m_mutex
    bool m_closing = false;
    std::thread m_sender;
  };
}

#endif
