#include "ObserverTap.h"

#include "ToolError.h"

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/RtcComponentObserver.hh>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <sstream>
#include <unistd.h>

namespace rtctl
{
  namespace
  {
    // A hint is the component's text: kept to one line, so one notification is one line.
    template <typename Kind> std::string lineOf(Kind kind, const std::string& hint)
    {
      std::string line = RTC::statusKindName(kind);
      if (!hint.empty()) { line += " " + hint; }
      for (char& c : line)
        {
          if (c == '\n' || c == '\r') { c = ' '; }
        }
      return line;
    }
  }

  class ObservedLines
  {
  public:
    void add(const std::string& line)
    {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
      }
      m_arrived.notify_all();
    }

    bool take(std::string& line, std::chrono::milliseconds timeout)
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!m_arrived.wait_for(lock, timeout, [this] { return !m_lines.empty(); })) { return false; }
      line = m_lines.front();
      m_lines.pop_front();
      return true;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::string> m_lines;
  };

  namespace
  {
    class OpenRtmObserver : public POA_OpenRTM::ComponentObserver
    {
    public:
      explicit OpenRtmObserver(const std::shared_ptr<ObservedLines>& lines) : m_lines(lines) {}
      // On an ORB thread.
      void update_status(OpenRTM::StatusKind kind, const char* hint) override
      {
        m_lines->add(lineOf(kind, hint));
      }

    private:
      std::shared_ptr<ObservedLines> m_lines;
    };

    class RtcObserver : public POA_RTC::ComponentObserver
    {
    public:
      explicit RtcObserver(const std::shared_ptr<ObservedLines>& lines) : m_lines(lines) {}
      void update_status(RTC::StatusKind kind, const char* hint) override
      {
        m_lines->add(lineOf(kind, hint));
      }

    private:
      std::shared_ptr<ObservedLines> m_lines;
    };
  }

  ObserverTap::ObserverTap(ToolContext& context)
    : m_context(context), m_lines(std::make_shared<ObservedLines>()),
      m_observers{{OpenRTM::_tc_ComponentObserver->id(), new OpenRtmObserver(m_lines), nullptr},
                  {RTC::_tc_ComponentObserver->id(), new RtcObserver(m_lines), nullptr}}
  {
    try
      {
        for (Served& served : m_observers) { serve(served); }
      }
    catch (const ToolError&)
      {
        for (Served& served : m_observers) { served.servant->_remove_ref(); }
        throw;
      }
  }

  void ObserverTap::serve(Served& served)
  {
    try
      {
        served.id = m_context.servingPoa()->activate_object(served.servant);
      }
    catch (const CORBA::Exception& e)
      {
        throw ToolError(std::string("cannot serve an observer of its own (") + e._name() + ")");
      }
  }

  void ObserverTap::observe(RTC::RTObject_ptr component, const std::string& name,
                            double heartbeatSeconds)
  {
    m_component = RTC::RTObject::_duplicate(component);
    SDOPackage::ServiceProfile profile;
    const std::string id = "rtctl_watch" + std::to_string(::getpid());
    profile.id = CORBA::string_dup(id.c_str());
    profile.properties.length(2);
    profile.properties[0].name = CORBA::string_dup("observed_status");
    profile.properties[0].value <<= "ALL";
    profile.properties[1].name = CORBA::string_dup("heartbeat.enable");
    profile.properties[1].value <<= heartbeatSeconds > 0.0 ? "YES" : "NO";
    if (heartbeatSeconds > 0.0)
      {
        std::ostringstream interval;
        interval << heartbeatSeconds;
        profile.properties.length(3);
        profile.properties[2].name = CORBA::string_dup("heartbeat.interval");
        profile.properties[2].value <<= interval.str().c_str();
      }
    for (const Served& served : m_observers)
      {
        if (offer(served, profile, name))
          {
            m_profileId = id;
            return;
          }
      }
    throw ToolError(name + " refused rtctl's observer (an OpenRTM-aist component takes one only "
                           "with its ComponentObserverConsumer module loaded)");
  }

  bool ObserverTap::offer(const Served& served, SDOPackage::ServiceProfile& profile,
                          const std::string& name)
  {
    CORBA::Object_var self = m_context.servingPoa()->id_to_reference(served.id.in());
    profile.service = SDOPackage::SDOService::_narrow(self);
    profile.interface_type = CORBA::string_dup(served.interfaceType);
    try
      {
        if (CORBA::is_nil(m_configuration)) { m_configuration = m_component->get_configuration(); }
        return m_configuration->add_service_profile(profile);
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    catch (const CORBA::UserException& e)
      {
        throw ToolError(name + " refused rtctl's observer (" + e._name() + ")");
      }
  }

  ObserverTap::~ObserverTap()
  {
    unregister();
    for (Served& served : m_observers)
      {
        try
          {
            m_context.servingPoa()->deactivate_object(served.id.in());
          }
        catch (const CORBA::Exception&)
          {
            // Gone with the POA.
          }
        catch (const ToolError&)
          {
            // The same.
          }
        served.servant->_remove_ref();
      }
  }

  void ObserverTap::unregister()
  {
    if (m_profileId.empty()) { return; }
    const std::string id = m_profileId;
    m_profileId.clear();
    try
      {
        m_configuration->remove_service_profile(id.c_str());
      }
    catch (const CORBA::Exception&)
      {
        // The component is gone or ended the profile itself: nothing left to remove.
      }
  }

  bool ObserverTap::take(std::string& line, std::chrono::milliseconds timeout)
  {
    return m_lines->take(line, timeout);
  }

  bool ObserverTap::componentAlive()
  {
    if (CORBA::is_nil(m_component)) { return false; }
    try
      {
        return !m_component->_non_existent();
      }
    catch (const CORBA::SystemException&)
      {
        return false;
      }
  }
}
