#include "PeriodicExecutionContext.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"
#include "GuardedCall.h"
#include "Log.h"

#include <cmath>

namespace RTC
{
  namespace
  {
    thread_local bool t_onExecutionContextThread = false;

    ReturnCode_t invoke(RTObject_impl& component, ReturnCode_t (RTObject_impl::*callback)(UniqueId),
                        UniqueId id)
    {
      return guardedCall([&] { return (component.*callback)(id); });
    }

    std::chrono::nanoseconds periodOf(double rateHz)
    {
      if (!(rateHz > 0.0)) { rateHz = 1000.0; }
      return std::chrono::nanoseconds(static_cast<long long>(1e9 / rateHz));
    }
  }

  PeriodicExecutionContext::PeriodicExecutionContext(RTObject_impl& component, double rateHz,
                                                     UniqueId id)
    : m_component(component), m_id(id), m_period(periodOf(rateHz)),
      m_rate(rateHz > 0.0 ? rateHz : 1000.0)
  {
  }

  bool PeriodicExecutionContext::onExecutionContextThread()
  {
    return t_onExecutionContextThread;
  }

  PeriodicExecutionContext::~PeriodicExecutionContext()
  {
    stop();
  }

  bool PeriodicExecutionContext::start()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running) { return false; }
    m_running = true;
    m_stopping = false;
    m_thread = std::thread(&PeriodicExecutionContext::run, this);
    return true;
  }

  void PeriodicExecutionContext::stop()
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_running) { return; }
      m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id()) { m_thread.join(); }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running = false;
  }

  bool PeriodicExecutionContext::running() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running && !m_stopping && m_cycling;
  }

  LifeCycleState PeriodicExecutionContext::state() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
  }

  double PeriodicExecutionContext::rate() const
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rate;
  }

  void PeriodicExecutionContext::setListener(const Listener& listener)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = listener;
  }

  void PeriodicExecutionContext::tell(Event event)
  {
    Listener listener;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      listener = m_listener;
    }
    if (listener) { listener(event); }
  }

  ReturnCode_t
  PeriodicExecutionContext::invokeAndTell(ReturnCode_t (RTObject_impl::*callback)(UniqueId),
                                          Event event)
  {
    ReturnCode_t result = invoke(m_component, callback, m_id);
    if (result == RTC_OK) { tell(event); }
    return result;
  }

  ReturnCode_t PeriodicExecutionContext::startCycles()
  {
    return submit([this] {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_cycling) { return PRECONDITION_NOT_MET; }
        m_cycling = true;
      }
      invokeAndTell(&RTObject_impl::onStartup, Event::Startup);
      return RTC_OK;
    });
  }

  ReturnCode_t PeriodicExecutionContext::stopCycles()
  {
    return submit([this] {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_cycling) { return PRECONDITION_NOT_MET; }
        m_cycling = false;
      }
      invokeAndTell(&RTObject_impl::onShutdown, Event::Shutdown);
      return RTC_OK;
    });
  }

  ReturnCode_t PeriodicExecutionContext::setRate(double rateHz)
  {
    if (!std::isfinite(rateHz) || !(rateHz > 0.0)) { return BAD_PARAMETER; }
    {
      // The loop adds m_period to the deadline after each cycle: the next period is the new one.
      std::lock_guard<std::mutex> lock(m_mutex);
      m_rate = rateHz;
      m_period = periodOf(rateHz);
    }
    return submit(
      [this] { return invokeAndTell(&RTObject_impl::onRateChanged, Event::RateChanged); });
  }

  ReturnCode_t PeriodicExecutionContext::activate()
  {
    return submit([this] { return doActivate(); });
  }

  ReturnCode_t PeriodicExecutionContext::deactivate()
  {
    return submit([this] { return doDeactivate(); });
  }

  ReturnCode_t PeriodicExecutionContext::reset()
  {
    return submit([this] { return doReset(); });
  }

  ReturnCode_t PeriodicExecutionContext::transition(Transition which,
                                                    std::chrono::milliseconds patience)
  {
    switch (which)
      {
      case Transition::Activate: return submit([this] { return doActivate(); }, patience);
      case Transition::Deactivate: return submit([this] { return doDeactivate(); }, patience);
      case Transition::Reset: return submit([this] { return doReset(); }, patience);
      }
    return BAD_PARAMETER;
  }

  ReturnCode_t PeriodicExecutionContext::call(const std::function<ReturnCode_t()>& request,
                                              std::chrono::milliseconds patience)
  {
    return submit(request, patience);
  }

  void PeriodicExecutionContext::setParticipants(const Participants& participants)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_participants = std::make_shared<const Participants>(participants);
    }
    m_wake.notify_all();
  }

  void PeriodicExecutionContext::runBetweenCallbacks(const std::function<void()>& action,
                                                     std::chrono::milliseconds patience)
  {
    submit(
      [action] {
        action();
        return RTC_OK;
      },
      patience);
  }

  ReturnCode_t PeriodicExecutionContext::submit(const Request& request,
                                                std::chrono::milliseconds patience)
  {
    auto done = std::make_shared<std::promise<ReturnCode_t>>();
    std::future<ReturnCode_t> result = done->get_future();
    bool onOwnThread = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_running || m_stopping) { return PRECONDITION_NOT_MET; }
      onOwnThread = std::this_thread::get_id() == m_threadId;
      m_requests.emplace_back(request, done);
      // Notified under the lock: once the request is served, this context may be deleted by
      // another thread (a component exit), and a late notify would touch freed memory.
      m_wake.notify_all();
    }
    if (onOwnThread) { return RTC_OK; }   // waiting here would wait for ourselves
    if (patience.count() >= 0 && result.wait_for(patience) != std::future_status::ready)
      {
        return RTC_ERROR;
      }
    return result.get();
  }

  bool PeriodicExecutionContext::busy() const
  {
    return m_cycling && (m_state == ACTIVE_STATE || m_state == ERROR_STATE ||
                         (m_participants && m_participants->busy && m_participants->busy()));
  }

  void PeriodicExecutionContext::serveRequests(std::unique_lock<std::mutex>& lock)
  {
    while (!m_requests.empty())
      {
        auto request = m_requests.front();
        m_requests.pop_front();
        lock.unlock();
        ReturnCode_t result = request.first();
        request.second->set_value(result);
        lock.lock();
      }
  }

  void PeriodicExecutionContext::run()
  {
    t_onExecutionContextThread = true;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_threadId = std::this_thread::get_id();
    lock.unlock();
    invokeAndTell(&RTObject_impl::onStartup, Event::Startup);
    lock.lock();

    auto deadline = std::chrono::steady_clock::now();
    bool wasBusy = false;
    while (true)
      {
        serveRequests(lock);
        if (m_stopping) { break; }
        if (!busy())
          {
            wasBusy = false;
            m_wake.wait(lock, [this] { return m_stopping || !m_requests.empty(); });
            continue;
          }
        auto now = std::chrono::steady_clock::now();
        if (!wasBusy)
          {
            deadline = now;   // first cycle right after activation
            wasBusy = true;
          }
        if (now < deadline)
          {
            // Requests wake us early; they are served and the deadline stays where it was.
            m_wake.wait_until(lock, deadline, [this] { return m_stopping || !m_requests.empty(); });
            continue;
          }
        lock.unlock();
        executeCycle();
        lock.lock();
        deadline += m_period;
        // After a stall longer than a period, skip the missed cycles instead of catching up in a burst.
        if (std::chrono::steady_clock::now() > deadline + m_period)
          {
            deadline = std::chrono::steady_clock::now();
          }
      }

    // Stopping: requests still queued are refused, an active component is deactivated.
    for (auto& request : m_requests) { request.second->set_value(PRECONDITION_NOT_MET); }
    m_requests.clear();
    lock.unlock();
    if (state() == ACTIVE_STATE) { doDeactivate(); }
    if (m_cycling) { invokeAndTell(&RTObject_impl::onShutdown, Event::Shutdown); }
  }

  void PeriodicExecutionContext::executeCycle()
  {
    std::shared_ptr<const Participants> participants;
    LifeCycleState own;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      participants = m_participants;
      own = m_state;
    }
    if (own == ERROR_STATE) { invoke(m_component, &RTObject_impl::onError, m_id); }
    else if (own == ACTIVE_STATE &&
             (invoke(m_component, &RTObject_impl::onExecute, m_id) != RTC_OK ||
              invoke(m_component, &RTObject_impl::onStateUpdate, m_id) != RTC_OK))
      {
        enterError();
      }
    if (participants && participants->cycle) { participants->cycle(); }
  }

  void PeriodicExecutionContext::enterError()
  {
    ReturnCode_t result = invoke(m_component, &RTObject_impl::onAborting, m_id);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_state = ERROR_STATE;
    }
    if (result == RTC_OK) { tell(Event::Aborting); }
  }

  ReturnCode_t PeriodicExecutionContext::doActivate()
  {
    if (state() != INACTIVE_STATE) { return PRECONDITION_NOT_MET; }
    // The active configuration set is in force from activation on.
    coreOf(m_component).config().update();
    if (coreOf(m_component).config().takeSetChosen()) { tell(Event::ConfigurationUpdated); }
    if (invoke(m_component, &RTObject_impl::onActivated, m_id) != RTC_OK)
      {
        enterError();
        return RTC_ERROR;
      }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_state = ACTIVE_STATE;
    }
    tell(Event::Activated);
    return RTC_OK;
  }

  ReturnCode_t PeriodicExecutionContext::doDeactivate()
  {
    if (state() != ACTIVE_STATE) { return PRECONDITION_NOT_MET; }
    ReturnCode_t result = invoke(m_component, &RTObject_impl::onDeactivated, m_id);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_state = result == RTC_OK ? INACTIVE_STATE : ERROR_STATE;
    }
    if (result == RTC_OK) { tell(Event::Deactivated); }
    return result;
  }

  ReturnCode_t PeriodicExecutionContext::doReset()
  {
    if (state() != ERROR_STATE) { return PRECONDITION_NOT_MET; }
    ReturnCode_t result = invoke(m_component, &RTObject_impl::onReset, m_id);
    if (result == RTC_OK)
      {
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_state = INACTIVE_STATE;
        }
        tell(Event::Reset);
      }
    return result;
  }
}
