#include "ComponentObservers.h"

#include <coil/Properties.h>
#include <coil/stringutil.h>

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
    constexpr std::size_t kOtherContextsFrom = 1000;
    const char* const kKindNames[] = {"COMPONENT_PROFILE", "RTC_STATUS", "EC_STATUS",
                                      "PORT_PROFILE", "CONFIGURATION"};

    std::string upper(std::string text)
    {
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      return text;
    }

    // observed_status: comma-separated kinds, any case; ALL (or nothing) for every kind. Kinds
    // this component never sends (an RTC::ComponentObserver's FSM_*) are left out.
    void readObserved(const std::string& text, bool (&observed)[kObservedChanges])
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
          for (int kind = 0; kind < kObservedChanges; ++kind)
            {
              if (item == kKindNames[kind]) { observed[kind] = true; }
            }
        }
    }

    // Which does not answer with a usable interval gets 1 s: no interval would be a busy loop.
    std::chrono::steady_clock::duration intervalOf(const std::string& text)
    {
      double seconds = 1.0;
      if (!text.empty() &&
          (!coil::stringTo(seconds, text.c_str()) || !std::isfinite(seconds) || seconds <= 0.0))
        {
          seconds = 1.0;
        }
      return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(std::max(seconds, 0.01)));
    }

    // The first of `keys` the properties have, as OpenRTM-aist 2.0 lets rtc_heartbeat.* stand
    // over heartbeat.*.
    std::string firstOf(const coil::Properties& properties, std::initializer_list<const char*> keys)
    {
      for (const char* key : keys)
        {
          if (properties.hasKey(key)) { return properties.getProperty(key); }
        }
      return std::string();
    }
  }

  ComponentObservers::~ComponentObservers()
  {
    close();
  }

  bool ComponentObservers::add(const SDOPackage::ServiceProfile& profile)
  {
    if (profile.id.in()[0] == '\0') { return false; }
    Observer observer;
    try
      {
        observer.reference =
          ObserverReference::narrow(profile.interface_type.in(), profile.service.in());
      }
    catch (const CORBA::Exception&)
      {
        return false;   // not reachable: not an observer we can call
      }
    if (observer.reference.isNil()) { return false; }

    observer.id = profile.id.in();
    const coil::Properties properties = toProperties(profile.properties);
    readObserved(properties.getProperty("observed_status"), observer.observed);
    const bool rtc = observer.reference.isRtc();
    const Clock::time_point now = Clock::now();
    observer.rtcBeat.enabled =
      isYes(rtc ? firstOf(properties, {"rtc_heartbeat.enable", "heartbeat.enable"})
                : properties.getProperty("heartbeat.enable"));
    observer.rtcBeat.interval =
      intervalOf(rtc ? firstOf(properties, {"rtc_heartbeat.interval", "heartbeat.interval"})
                     : properties.getProperty("heartbeat.interval"));
    observer.rtcBeat.next = now + observer.rtcBeat.interval;
    observer.ecBeat.enabled = rtc && isYes(properties.getProperty("ec_heartbeat.enable"));
    observer.ecBeat.interval = intervalOf(properties.getProperty("ec_heartbeat.interval"));
    observer.ecBeat.next = now + observer.ecBeat.interval;

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

  void ComponentObservers::notify(ObservedEvent event, const std::string& hint)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Observer& observer : m_observers)
      {
        if (observer.observed[static_cast<int>(event)])
          {
            m_queue.push_back(Message{observer.id, event, hint});
          }
      }
    if (!m_queue.empty()) { m_wake.notify_all(); }
  }

  void ComponentObservers::setParticipatingContexts(std::size_t count)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_participating = count;
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
        if (observer.rtcBeat.enabled) { next = std::min(next, observer.rtcBeat.next); }
        if (observer.ecBeat.enabled) { next = std::min(next, observer.ecBeat.next); }
      }
    return next;
  }

  void ComponentObservers::run()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_closing || !m_queue.empty())
      {
        if (!m_closing)
          {
            const Clock::time_point now = Clock::now();
            for (Observer& observer : m_observers) { beatLocked(observer, now); }
          }
        std::vector<std::pair<Message, ObserverReference>> due;
        for (const Message& message : m_queue)
          {
            for (const Observer& observer : m_observers)
              {
                if (observer.id == message.observerId)
                  {
                    due.emplace_back(message, observer.reference);
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
        for (const auto& item : due) { send(item.first, item.second); }
        lock.lock();
      }
  }

  void ComponentObservers::beatLocked(Observer& observer, Clock::time_point now)
  {
    if (observer.rtcBeat.enabled && observer.rtcBeat.next <= now)
      {
        m_queue.push_back(Message{observer.id, ObservedEvent::RtcHeartbeat, ""});
        observer.rtcBeat.next = now + observer.rtcBeat.interval;
      }
    if (observer.ecBeat.enabled && observer.ecBeat.next <= now)
      {
        // One per context, numbered as OpenRTM-aist numbers them: the own context 0, the
        // others by their place in get_participating_contexts from 1000 on.
        m_queue.push_back(Message{observer.id, ObservedEvent::EcHeartbeat, "HEARTBEAT:0"});
        for (std::size_t i = 0; i < m_participating; ++i)
          {
            m_queue.push_back(Message{observer.id, ObservedEvent::EcHeartbeat,
                                      "HEARTBEAT:" + std::to_string(kOtherContextsFrom + i)});
          }
        observer.ecBeat.next = now + observer.ecBeat.interval;
      }
  }

  void ComponentObservers::send(const Message& message, const ObserverReference& reference)
  {
    try
      {
        reference.send(message.event, message.hint);
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
