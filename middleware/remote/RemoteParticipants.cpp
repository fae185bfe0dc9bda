#include "RemoteParticipants.h"

#include "CallTimeouts.h"
#include "Log.h"

#include <algorithm>

namespace RTC
{
  void RemoteParticipants::add(RTC::LightweightRTObject_ptr comp,
                               RTC::ExecutionContextHandle_t handle)
  {
    auto entry = std::make_shared<Entry>();
    entry->component = RTC::LightweightRTObject::_duplicate(comp);
    CallTimeouts::apply(entry->component.in(), TimeOuts::kParticipantCall);
    try
      {
        entry->dataFlow = RTC::DataFlowComponentAction::_narrow(comp);
        CallTimeouts::apply(entry->dataFlow.in(), TimeOuts::kParticipantCall);
      }
    catch (const CORBA::Exception&)
      {
        // Not one that takes periodic calls; it still changes state.
      }
    entry->handle = handle;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(entry);
  }

  RemoteParticipants::EntryPtr RemoteParticipants::find(RTC::LightweightRTObject_ptr comp)
  {
    if (CORBA::is_nil(comp)) { return nullptr; }
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const EntryPtr& entry : m_entries)
      {
        if (entry->component->_is_equivalent(comp)) { return entry; }
      }
    return nullptr;
  }

  bool RemoteParticipants::remove(RTC::LightweightRTObject_ptr comp,
                                  RTC::ExecutionContextHandle_t& handle)
  {
    EntryPtr entry = find(comp);
    if (!entry) { return false; }
    std::lock_guard<std::mutex> lock(m_mutex);
    auto at = std::find(m_entries.begin(), m_entries.end(), entry);
    if (at == m_entries.end()) { return false; }
    m_entries.erase(at);
    handle = entry->handle;
    return true;
  }

  bool RemoteParticipants::has(RTC::LightweightRTObject_ptr comp)
  {
    return find(comp) != nullptr;
  }

  RTC::LifeCycleState RemoteParticipants::state(RTC::LightweightRTObject_ptr comp)
  {
    EntryPtr entry = find(comp);
    if (!entry) { return RTC::CREATED_STATE; }
    std::lock_guard<std::mutex> lock(m_mutex);
    return entry->state;
  }

  std::vector<RTC::LightweightRTObject_var> RemoteParticipants::components()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RTC::LightweightRTObject_var> list;
    for (const EntryPtr& entry : m_entries) { list.push_back(entry->component); }
    return list;
  }

  void RemoteParticipants::setState(const EntryPtr& entry, RTC::LifeCycleState state)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    entry->state = state;
  }

  void RemoteParticipants::abort(const EntryPtr& entry)
  {
    setState(entry, RTC::ERROR_STATE);
    entry->component->on_aborting(entry->handle);
  }

  void RemoteParticipants::drop(const EntryPtr& entry, const CORBA::Exception& reason)
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto at = std::find(m_entries.begin(), m_entries.end(), entry);
      if (at == m_entries.end()) { return; }   // removed meanwhile: nothing to say
      m_entries.erase(at);
    }
    Log::warn(std::string("execution context: participant dropped, its call failed (") +
              reason._name() + ")");
  }

  RTC::ReturnCode_t RemoteParticipants::change(RTC::LightweightRTObject_ptr comp,
                                               PeriodicExecutionContext::Transition which)
  {
    EntryPtr entry = find(comp);
    if (!entry) { return RTC::BAD_PARAMETER; }
    RTC::LifeCycleState now = state(comp);
    try
      {
        switch (which)
          {
          case PeriodicExecutionContext::Transition::Activate:
            if (now != RTC::INACTIVE_STATE) { return RTC::PRECONDITION_NOT_MET; }
            if (entry->component->on_activated(entry->handle) != RTC::RTC_OK)
              {
                abort(entry);
                return RTC::RTC_ERROR;
              }
            setState(entry, RTC::ACTIVE_STATE);
            return RTC::RTC_OK;
          case PeriodicExecutionContext::Transition::Deactivate:
            if (now != RTC::ACTIVE_STATE) { return RTC::PRECONDITION_NOT_MET; }
            // Inactive whatever it answers, as in OpenRTM-aist.
            entry->component->on_deactivated(entry->handle);
            setState(entry, RTC::INACTIVE_STATE);
            return RTC::RTC_OK;
          case PeriodicExecutionContext::Transition::Reset:
            if (now != RTC::ERROR_STATE) { return RTC::PRECONDITION_NOT_MET; }
            if (entry->component->on_reset(entry->handle) != RTC::RTC_OK) { return RTC::RTC_ERROR; }
            setState(entry, RTC::INACTIVE_STATE);
            return RTC::RTC_OK;
          }
      }
    catch (const CORBA::Exception& e)
      {
        drop(entry, e);
      }
    return RTC::RTC_ERROR;
  }

  bool RemoteParticipants::busy()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(), [](const EntryPtr& entry) {
      return entry->state == RTC::ACTIVE_STATE || entry->state == RTC::ERROR_STATE;
    });
  }

  void RemoteParticipants::cycle()
  {
    std::vector<std::pair<EntryPtr, RTC::LifeCycleState>> due;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (const EntryPtr& entry : m_entries) { due.emplace_back(entry, entry->state); }
    }
    for (const auto& item : due)
      {
        const EntryPtr& entry = item.first;
        try
          {
            if (item.second == RTC::ERROR_STATE) { entry->component->on_error(entry->handle); }
            else if (item.second == RTC::ACTIVE_STATE && !CORBA::is_nil(entry->dataFlow))
              {
                if (entry->dataFlow->on_execute(entry->handle) != RTC::RTC_OK ||
                    entry->dataFlow->on_state_update(entry->handle) != RTC::RTC_OK)
                  {
                    abort(entry);
                  }
              }
          }
        catch (const CORBA::Exception& e)
          {
            drop(entry, e);
          }
      }
  }
}
