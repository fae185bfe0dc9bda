#include "ExecutionContextServant.h"

#include <rtm/RTObject.h>

#include "CallTimeouts.h"
#include "ComponentCore.h"
#include "NameValues.h"
#include "PeriodicExecutionContext.h"
#include "TimeOuts.h"

#include <chrono>
#include <sstream>

namespace RTC
{
  namespace
  {
    std::string rateText(double rate)
    {
      std::ostringstream text;
      text << rate;
      return text.str();
    }
  }

  ExecutionContextServant::ExecutionContextServant(RTObject_impl& component,
                                                   const std::shared_ptr<ServantLifetime>& lifetime)
    : m_component(component), m_lifetime(lifetime),
      m_participants(std::make_shared<RemoteParticipants>())
  {
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context == nullptr) { return; }
    std::shared_ptr<RemoteParticipants> participants = m_participants;
    context->setParticipants(
      {[participants] { return participants->busy(); }, [participants] { participants->cycle(); }});
  }

  void ExecutionContextServant::setReferences(RTC::ExecutionContextService_ptr self,
                                              RTC::RTObject_ptr owner)
  {
    m_self = RTC::ExecutionContextService::_duplicate(self);
    m_owner = RTC::RTObject::_duplicate(owner);
  }

  RTC::ExecutionContextService_ptr ExecutionContextServant::reference()
  {
    return RTC::ExecutionContextService::_duplicate(m_self.in());
  }

  bool ExecutionContextServant::isOurs(RTC::LightweightRTObject_ptr comp)
  {
    return !CORBA::is_nil(comp) && comp->_is_equivalent(m_owner.in());
  }

  CORBA::Boolean ExecutionContextServant::is_running()
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    return context != nullptr && context->running();
  }

  RTC::ReturnCode_t ExecutionContextServant::start()
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    return context != nullptr ? context->startCycles() : RTC::PRECONDITION_NOT_MET;
  }

  RTC::ReturnCode_t ExecutionContextServant::stop()
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    return context != nullptr ? context->stopCycles() : RTC::PRECONDITION_NOT_MET;
  }

  CORBA::Double ExecutionContextServant::get_rate()
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    return context != nullptr ? context->rate() : 0.0;
  }

  RTC::ReturnCode_t ExecutionContextServant::set_rate(CORBA::Double rate)
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    return context != nullptr ? context->setRate(rate) : RTC::PRECONDITION_NOT_MET;
  }

  RTC::ReturnCode_t ExecutionContextServant::add_component(RTC::LightweightRTObject_ptr comp)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (CORBA::is_nil(comp)) { return RTC::BAD_PARAMETER; }
    RTC::ExecutionContextHandle_t handle = 0;
    try
      {
        RTC::LightweightRTObject_var component = RTC::LightweightRTObject::_duplicate(comp);
        CallTimeouts::apply(component.in(), TimeOuts::kPeerCall);
        handle = component->attach_context(m_self.in());
      }
    catch (const CORBA::Exception&)
      {
        return RTC::RTC_ERROR;
      }
    m_participants->add(comp, handle);
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ExecutionContextServant::remove_component(RTC::LightweightRTObject_ptr comp)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (CORBA::is_nil(comp)) { return RTC::BAD_PARAMETER; }
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context != nullptr && m_participants->state(comp) == RTC::ACTIVE_STATE)
      {
        // Stopped first, as OpenRTM-aist stops a participant it removes.
        change(comp, static_cast<int>(PeriodicExecutionContext::Transition::Deactivate));
      }
    RTC::ExecutionContextHandle_t handle = 0;
    if (!m_participants->remove(comp, handle)) { return RTC::BAD_PARAMETER; }
    try
      {
        RTC::LightweightRTObject_var component = RTC::LightweightRTObject::_duplicate(comp);
        CallTimeouts::apply(component.in(), TimeOuts::kPeerCall);
        component->detach_context(handle);
      }
    catch (const CORBA::Exception&)
      {
        // Gone already: nothing left to detach.
      }
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ExecutionContextServant::change(RTC::LightweightRTObject_ptr comp, int which)
  {
    ServantLifetime::Use use(*m_lifetime);
    const auto transition = static_cast<PeriodicExecutionContext::Transition>(which);
    const bool ours = isOurs(comp);
    if (!ours && !m_participants->has(comp)) { return RTC::BAD_PARAMETER; }
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context == nullptr) { return RTC::PRECONDITION_NOT_MET; }
    if (ours) { return context->transition(transition, TimeOuts::kTransition); }
    // The participant's callbacks run on the context's thread, as its periodic ones do.
    std::shared_ptr<RemoteParticipants> participants = m_participants;
    RTC::LightweightRTObject_var component = RTC::LightweightRTObject::_duplicate(comp);
    return context->call([participants, component,
                          transition] { return participants->change(component.in(), transition); },
                         TimeOuts::kTransition);
  }

  RTC::ReturnCode_t ExecutionContextServant::activate_component(RTC::LightweightRTObject_ptr comp)
  {
    return change(comp, static_cast<int>(PeriodicExecutionContext::Transition::Activate));
  }

  RTC::ReturnCode_t ExecutionContextServant::deactivate_component(RTC::LightweightRTObject_ptr comp)
  {
    return change(comp, static_cast<int>(PeriodicExecutionContext::Transition::Deactivate));
  }

  RTC::ReturnCode_t ExecutionContextServant::reset_component(RTC::LightweightRTObject_ptr comp)
  {
    return change(comp, static_cast<int>(PeriodicExecutionContext::Transition::Reset));
  }

  RTC::LifeCycleState
  ExecutionContextServant::get_component_state(RTC::LightweightRTObject_ptr comp)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (!isOurs(comp)) { return m_participants->state(comp); }
    return coreOf(m_component).state();
  }

  RTC::ExecutionKind ExecutionContextServant::get_kind()
  {
    return RTC::PERIODIC;
  }

  RTC::ExecutionContextProfile* ExecutionContextServant::get_profile()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ExecutionContextProfile_var profile = new RTC::ExecutionContextProfile;
    profile->kind = RTC::PERIODIC;
    profile->rate = get_rate();
    profile->owner = RTC::RTObject::_duplicate(m_owner.in());
    // Those added from outside; the owner is not listed, as in OpenRTM-aist.
    std::vector<RTC::LightweightRTObject_var> participants = m_participants->components();
    profile->participants.length(static_cast<CORBA::ULong>(participants.size()));
    for (CORBA::ULong i = 0; i < profile->participants.length(); ++i)
      {
        profile->participants[i] = RTC::RTObject::_narrow(participants[i].in());
      }
    setString(profile->properties, "type", "PeriodicExecutionContext");
    setString(profile->properties, "rate", rateText(profile->rate));
    setString(profile->properties, "sync_transition", "YES");
    setString(profile->properties, "transition_timeout",
              rateText(TimeOuts::kTransition.count() / 1000.0));
    return profile._retn();
  }
}
