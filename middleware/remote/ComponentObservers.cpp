#include "ComponentObservers.h"

#include <coil/Properties.h>
#include <coil/stringutil.h>

#include "CallTimeouts.h"
#include "Log.h"
#include "NameValues.h"
#include "TextUtil.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace RTC
{
  namespace
  {
    const char* const kKindNames[] = {"COMPONENT_PROFILE", "RTC_STATUS", "EC_STATUS",
                                      "PORT_PROFILE", "CONFIGURATION"};

    std::string upper(std::string text)
    {
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      return text;
    }

    // observed_status: comma-separated kinds, any case; ALL (or nothing) for every kind.
    void readObserved(const std::string& text, bool (&observed)[OpenRTM::STATUS_KIND_NUM])
    {
      std::fill(std::begin(observed), std::end(observed), false);
      for (std::string item : split(text.empty() ? "ALL" : text, ','))
        {
          item = upper(trim(item));
          if (item == "ALL")
            {
              std::fill(std::begin(observed), std::end(observed), true);
              return;
            }
          for (int kind = 0; kind < OpenRTM::HEARTBEAT; ++kind)
            {
              if (item == kKindNames[kind]) { observed[kind] = true; }
            }
        }
    }
  }

  ComponentObservers::~ComponentObservers()
  {
    close();
  }

  bool ComponentObservers::add(const SDOPackage::ServiceProfile& profile)
  {
    const std::string type = profile.interface_type.in();
    if (type != OpenRTM::_tc_ComponentObserver->id() || profile.id.in()[0] == '\0')
      {
        return false;
      }
    OpenRTM::ComponentObserver_var reference;
    try
      {
        reference = OpenRTM::ComponentObserver::_narrow(profile.service.in());
      }
    catch (const CORBA::Exception&)
      {
        return false;   // not reachable: not an observer we can call
      }
    if (CORBA::is_nil(reference)) { return false; }
    CallTimeouts::apply(reference.in(), TimeOuts::kPeerCall);

    Observer observer;
    observer.id = profile.id.in();
    observer.reference = reference._retn();
    const coil::Properties properties = toProperties(profile.properties);
    readObserved(properties.getProperty("observed_status"), observer.observed);
    observer.heartbeat = isYes(properties.getProperty("heartbeat.enable"));
    double seconds = 1.0;
    const std::string interval = properties.getProperty("heartbeat.interval");
    if (!interval.empty() &&
        (!coil::stringTo(seconds, interval.c_str()) || !std::isfinite(seconds) || seconds <= 0.0))
      {
        seconds = 1.0;   // a heartbeat of no interval would be a busy loop
      }
    observer.interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::max(seconds, 0.01)));
    observer.nextBeat = Clock::now() + observer.interval;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closing) { return false; }
    auto existing = std::find_if(m_observers.begin(), m_observers.end(),
                                 [&](const Observer& o) { return o.id == observer.id; });
    if (existing != m_observers.end()) { *existing = observer; }
    else { m_observers.push_back(observer); }
    if (!m_sender.joinable()) { m_sender = std::thread(&ComponentObservers::run, this); }
    m_wake.notify_all();
    return true;
  }

  bool ComponentObservers::remove(const std::string& id)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = std::find_if(m_observers.begin(), m_observers.end(),
                              [&](const Observer& o) { return o.id == id; });
    if (id.empty() || found == m_observers.end()) { return false; }
    m_observers.erase(found);
    return true;
  }

  void ComponentObservers::notify(OpenRTM::StatusKind kind, const std::string& hint)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Observer& observer : m_observers)
      {
        if (observer.observed[kind]) { m_queue.push_back(Message{observer.id, kind, hint}); }
      }
    if (!m_queue.empty()) { m_wake.notify_all(); }
  }

  void ComponentObservers::close()
  {
    {
      // What is queued (a last FINALIZE, say) still goes out before the sender ends.
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closing = true;
    }
    m_wake.notify_all();
    if (m_sender.joinable()) { m_sender.join(); }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.clear();
    m_queue.clear();
  }

  ComponentObservers::Clock::time_point ComponentObservers::nextBeatLocked() const
  {
    Clock::time_point next = Clock::time_point::max();
    for (const Observer& observer : m_observers)
      {
        if (observer.heartbeat) { next = std::min(next, observer.nextBeat); }
      }
    return next;
  }

  void ComponentObservers::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_closing || !m_queue.empty())
      {
        std::vector<std::pair<Message, OpenRTM::ComponentObserver_var>> due;
        const Clock::time_point now = Clock::now();
        for (Observer& observer : m_observers)
          {
            if (observer.heartbeat && observer.nextBeat <= now && !m_closing)
              {
                due.emplace_back(Message{observer.id, OpenRTM::HEARTBEAT, ""},
                                 OpenRTM::ComponentObserver::_duplicate(observer.reference));
                observer.nextBeat = now + observer.interval;
              }
          }
        for (const Message& message : m_queue)
          {
            for (const Observer& observer : m_observers)
              {
                if (observer.id == message.observerId)
                  {
                    due.emplace_back(message,
                                     OpenRTM::ComponentObserver::_duplicate(observer.reference));
                  }
              }
          }
        m_queue.clear();
        if (due.empty())
          {
            const Clock::time_point next = nextBeatLocked();
            auto woken = [this] { return m_closing || !m_queue.empty(); };
            if (next == Clock::time_point::max()) { m_wake.wait(lock, woken); }
            else { m_wake.wait_until(lock, next, woken); }
            continue;
          }
        lock.unlock();
        for (const auto& item : due) { send(item.first, item.second.in()); }
        lock.lock();
      }
  }

  void ComponentObservers::send(const Message& message, OpenRTM::ComponentObserver_ptr reference)
  {
    try
      {
        reference->update_status(message.kind, message.hint.c_str());
        return;
      }
    catch (const CORBA::Exception& e)
      {
        Log::warn("observer " + message.observerId + " does not answer (" + e._name() +
                  "); dropped");
      }
    remove(message.observerId);
  }
}
