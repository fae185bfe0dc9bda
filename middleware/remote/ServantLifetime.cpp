#include "ServantLifetime.h"

#include <omniORB4/CORBA.h>

namespace RTC
{
  ServantLifetime::Use::Use(ServantLifetime& lifetime) : m_lifetime(lifetime)
  {
    std::lock_guard<std::mutex> lock(m_lifetime.m_mutex);
    if (m_lifetime.m_retired) { throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO); }
    ++m_lifetime.m_inside;
  }

  ServantLifetime::Use::~Use()
  {
    std::lock_guard<std::mutex> lock(m_lifetime.m_mutex);
    if (--m_lifetime.m_inside == 0) { m_lifetime.m_left.notify_all(); }
  }

  void ServantLifetime::retire()
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_retired = true;
    m_left.wait(lock, [this] { return m_inside == 0; });
  }
}
