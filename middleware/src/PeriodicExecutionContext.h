// Runs one component on a thread of its own at a fixed rate, and carries out its state changes.
//
// Every callback (onStartup, onActivated, onExecute, onStateUpdate, onDeactivated, onAborting,
// onError, onReset, onShutdown) runs on this thread. Requests from other threads are queued and
// the requester waits until the thread has carried them out. Deadlines are absolute, so the
// period does not drift; while nothing is active or in error the thread sleeps until a request.
#ifndef RTM_SRC_PERIODICEXECUTIONCONTEXT_H
#define RTM_SRC_PERIODICEXECUTIONCONTEXT_H

#include <rtm/RTC.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <future>
#include <mutex>
#include <thread>

namespace RTC
{
  class RTObject_impl;

  class PeriodicExecutionContext
  {
  public:
    PeriodicExecutionContext(RTObject_impl& component, double rateHz, UniqueId id);
    ~PeriodicExecutionContext();
    PeriodicExecutionContext(const PeriodicExecutionContext&) = delete;
    PeriodicExecutionContext& operator=(const PeriodicExecutionContext&) = delete;

    // Starts the thread (onStartup runs on it); false when it already runs.
    bool start();
    // Deactivates an active component, runs onShutdown and joins the thread.
    void stop();
    bool running() const;

    // Blocking requests, carried out on the execution context thread. Called from that thread
    // itself (inside a callback) they take effect after the current callback, without waiting.
    ReturnCode_t activate();
    ReturnCode_t deactivate();
    ReturnCode_t reset();

    enum class Transition
    {
      Activate,
      Deactivate,
      Reset
    };
    // The same, waiting at most `patience`: RTC_ERROR when the transition has not completed
    // by then (it still completes later). For callers that must not hang.
    ReturnCode_t transition(Transition which, std::chrono::milliseconds patience);
    // Any request, carried out on the thread between callbacks, waiting at most `patience`.
    ReturnCode_t call(const std::function<ReturnCode_t()>& request,
                      std::chrono::milliseconds patience);

    // Components of other programs this context drives: `busy` says whether one needs
    // periodic calls, `cycle` makes them, after the component's own. Both on the thread;
    // `busy` is asked under the context's lock and must not call back into the context.
    struct Participants
    {
      std::function<bool()> busy;
      std::function<void()> cycle;
    };
    void setParticipants(const Participants& participants);

    // What tools do to the context itself (ExecutionContext start / stop / set_rate), carried
    // out on its thread. A stopped context keeps its thread and serves state changes, but runs
    // no cycles. PRECONDITION_NOT_MET when already started / stopped; BAD_PARAMETER for a rate
    // that is not a positive finite number. A new rate applies from the next period on.
    ReturnCode_t startCycles();
    ReturnCode_t stopCycles();
    ReturnCode_t setRate(double rateHz);

    // What the context tells of itself and its component, on its own thread.
    enum class Event
    {
      Activated,
      Deactivated,
      Reset,
      Aborting,
      Startup,
      Shutdown,
      RateChanged,
      ConfigurationUpdated   // the active set chosen since the last update took effect
    };
    typedef std::function<void(Event)> Listener;
    void setListener(const Listener& listener);

    LifeCycleState state() const;
    double rate() const;
    UniqueId id() const { return m_id; }
    // True on the thread of any execution context of this process.
    static bool onExecutionContextThread();
    // Runs `action` on the execution context thread between callbacks and waits for it, at
    // most `patience` when that is not negative (the action still runs later, unless the
    // context stops first).
    void runBetweenCallbacks(const std::function<void()>& action,
                             std::chrono::milliseconds patience = std::chrono::milliseconds(-1));

  private:
    typedef std::function<ReturnCode_t()> Request;

    // Negative `patience`: wait as long as it takes.
    ReturnCode_t submit(const Request& request,
                        std::chrono::milliseconds patience = std::chrono::milliseconds(-1));
    void run();
    void serveRequests(std::unique_lock<std::mutex>& lock);
    void executeCycle();
    bool busy() const;   // true while the component needs periodic calls
    void enterError();
    void tell(Event event);
    ReturnCode_t invokeAndTell(ReturnCode_t (RTObject_impl::*callback)(UniqueId), Event event);

    ReturnCode_t doActivate();
    ReturnCode_t doDeactivate();
    ReturnCode_t doReset();

    RTObject_impl& m_component;
    const UniqueId m_id;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<Request, std::shared_ptr<std::promise<ReturnCode_t>>>> m_requests;
    bool m_stopping = false;
    bool m_running = false;
    bool m_cycling = true;   // false between stopCycles() and startCycles()
    std::chrono::nanoseconds m_period;
    double m_rate;
    Listener m_listener;
    std::shared_ptr<const Participants> m_participants;   // guarded by m_mutex
    LifeCycleState m_state = INACTIVE_STATE;   // guarded by m_mutex, changed only on the thread
    std::thread m_thread;
    std::thread::id m_threadId;
  };
}

#endif
