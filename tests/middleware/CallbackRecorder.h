// Records which component callbacks ran, when and on which thread, so a test can wait for them
// with a deadline and check their order afterwards.
#ifndef TESTS_MIDDLEWARE_CALLBACKRECORDER_H
#define TESTS_MIDDLEWARE_CALLBACKRECORDER_H

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport
{
  class CallbackRecorder
  {
  public:
    struct Event
    {
      std::string name;
      std::thread::id thread;
    };

    void record(const std::string& name)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_events.push_back(Event{name, std::this_thread::get_id()});
      m_changed.notify_all();
    }

    // Waits until `name` has been recorded at least `count` times; false on timeout.
    bool waitFor(const std::string& name, std::size_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      return m_changed.wait_for(lock, timeout, [&] { return countLocked(name) >= count; });
    }

    std::size_t count(const std::string& name)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return countLocked(name);
    }

    std::vector<Event> events()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_events;
    }

    // Names in order, with repeats of the same name folded into one.
    std::vector<std::string> sequence()
    {
      std::vector<std::string> names;
      for (const Event& event : events())
        {
          if (names.empty() || names.back() != event.name) { names.push_back(event.name); }
        }
      return names;
    }

  private:
    std::size_t countLocked(const std::string& name) const
    {
      std::size_t n = 0;
      for (const Event& event : m_events) { n += event.name == name ? 1 : 0; }
      return n;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
  };
}

#endif
