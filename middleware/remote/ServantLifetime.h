// Keeps remote calls off a component that is being deleted. Each call of a component's
// servants holds a Use; retire() refuses new calls and waits until those inside have left,
// so the manager may delete the component right afterwards.
#ifndef RTM_REMOTE_SERVANTLIFETIME_H
#define RTM_REMOTE_SERVANTLIFETIME_H

#include <condition_variable>
#include <mutex>

namespace RTC
{
  class ServantLifetime
  {
  public:
    class Use
    {
    public:
      // Throws CORBA::OBJECT_NOT_EXIST once the component is retired.
      explicit Use(ServantLifetime& lifetime);
      ~Use();
      Use(const Use&) = delete;
      Use& operator=(const Use&) = delete;

    private:
      ServantLifetime& m_lifetime;
    };

    // Never call it from inside a Use on the same thread: it would wait for itself.
    void retire();

  private:
    std::mutex m_mutex;
    std::condition_variable m_left;
    bool m_retired = false;
    unsigned m_inside = 0;
  };
}

#endif
