#include "ExecutionContextServant.h"

#include <rtm/RTObject.h>

#include "CallTimeouts.h"
#include "ComponentCore.h"
#include "NameValues.h"
#include "PeriodicExecutionContext.h"
#include "TimeOuts.h"

#include <algorithm>
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
    : m_component(component), m_lifetime(lifetime)
  {
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
    Participant participant;
    try
      {
        participant.component = RTC::LightweightRTObject::_duplicate(comp);
        CallTimeouts::apply(participant.component.in(), TimeOuts::kPeerCall);
        participant.handle = participant.component->attach_context(m_self.in());
      }
    catch (const CORBA::Exception&)
      {
        return RTC::RTC_ERROR;
      }
    std::lock_guard<std::mutex> lock(m_participantsMutex);
    m_participants.push_back(participant);
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t ExecutionContextServant::remove_component(RTC::LightweightRTObject_ptr comp)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (CORBA::is_nil(comp)) { return RTC::BAD_PARAMETER; }
    Participant removed;
    {
      std::lock_guard<std::mutex> lock(m_participantsMutex);
      auto found =
        std::find_if(m_participants.begin(), m_participants.end(),
                     [comp](const Participant& p) { return p.component->_is_equivalent(comp); });
      if (found == m_participants.end()) { return RTC::BAD_PARAMETER; }
      removed = *found;
      m_participants.erase(found);
    }
    try
      {
        removed.component->detach_context(removed.handle);
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
    if (!isOurs(comp)) { return RTC::BAD_PARAMETER; }
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context == nullptr) { return RTC::PRECONDITION_NOT_MET; }
    return context->transition(static_cast<PeriodicExecutionContext::Transition>(which),
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
    if (!isOurs(comp)) { return RTC::CREATED_STATE; }
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
    {
      std::lock_guard<std::mutex> lock(m_participantsMutex);
      // Those added from outside; the owner is not listed, as in OpenRTM-aist.
      profile->participants.length(static_cast<CORBA::ULong>(m_participants.size()));
      for (CORBA::ULong i = 0; i < profile->participants.length(); ++i)
        {
          profile->participants[i] = RTC::RTObject::_narrow(m_participants[i].component.in());
        }
    }
    setString(profile->properties, "type", "PeriodicExecutionContext");
    setString(profile->properties, "rate", rateText(profile->rate));
    setString(profile->properties, "sync_transition", "YES");
    setString(profile->properties, "transition_timeout",
              rateText(TimeOuts::kTransition.count() / 1000.0));
    return profile._retn();
  }
}
