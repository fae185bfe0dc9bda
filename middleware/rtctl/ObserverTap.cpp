#include "ObserverTap.h"

#include "ToolError.h"

#include <rtm/idl/ComponentObserver.hh>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <sstream>
#include <unistd.h>

namespace rtctl
{
  namespace
  {
    const char* const kKindNames[] = {"COMPONENT_PROFILE", "RTC_STATUS",    "EC_STATUS",
                                      "PORT_PROFILE",      "CONFIGURATION", "HEARTBEAT"};

    // A hint is the component's text: kept to one line, so one notification is one line.
    std::string lineOf(OpenRTM::StatusKind kind, const std::string& hint)
    {
      std::string line = kind < OpenRTM::STATUS_KIND_NUM ? kKindNames[kind] : "UNKNOWN";
      if (!hint.empty()) { line += " " + hint; }
      for (char& c : line)
        {
          if (c == '\n' || c == '\r') { c = ' '; }
        }
      return line;
    }
  }

  class ObserverServant : public POA_OpenRTM::ComponentObserver
  {
  public:
    // On an ORB thread.
    void update_status(OpenRTM::StatusKind kind, const char* hint) override
    {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(lineOf(kind, hint));
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

  ObserverTap::ObserverTap(ToolContext& context)
    : m_context(context), m_servant(new ObserverServant)
  {
    PortableServer::POA_ptr poa = context.servingPoa();
    try
      {
        m_id = poa->activate_object(m_servant);
      }
    catch (const CORBA::Exception& e)
      {
        m_servant->_remove_ref();
        throw ToolError(std::string("cannot serve an observer of its own (") + e._name() + ")");
      }
  }

  void ObserverTap::observe(RTC::RTObject_ptr component, const std::string& name,
                            double heartbeatSeconds)
  {
    m_component = RTC::RTObject::_duplicate(component);
    SDOPackage::ServiceProfile profile;
    CORBA::Object_var self = m_context.servingPoa()->id_to_reference(m_id.in());
    profile.service = SDOPackage::SDOService::_narrow(self);
    const std::string id = "rtctl_watch" + std::to_string(::getpid());
    profile.id = CORBA::string_dup(id.c_str());
    profile.interface_type = CORBA::string_dup(OpenRTM::_tc_ComponentObserver->id());
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
    bool accepted = false;
    std::string failure;
    try
      {
        m_configuration = m_component->get_configuration();
        accepted = m_configuration->add_service_profile(profile);
      }
    catch (const CORBA::SystemException& e)
      {
        failure = ToolContext::describe(name, e, TimeOuts::inMs(TimeOuts::kToolCall));
      }
    catch (const CORBA::UserException& e)
      {
        failure = name + " refused rtctl's observer (" + e._name() + ")";
      }
    if (accepted)
      {
        m_profileId = id;
        return;
      }
    if (failure.empty())
      {
        failure = name + " refused rtctl's observer (an OpenRTM-aist component takes one only "
                         "with its ComponentObserverConsumer module loaded)";
      }
    throw ToolError(failure);
  }

  ObserverTap::~ObserverTap()
  {
    unregister();
    try
      {
        m_context.servingPoa()->deactivate_object(m_id.in());
      }
    catch (const CORBA::Exception&)
      {
        // Gone with the POA.
      }
    catch (const ToolError&)
      {
        // The same.
      }
    m_servant->_remove_ref();
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
    return m_servant->take(line, timeout);
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
