// Components of other programs that a component's execution context drives, as an
// OpenRTM-aist context drives its participants: each has its own state, changed and served
// on the context's thread through its ComponentAction and DataFlowComponentAction operations.
// Calls are made outside the lock, bounded by TimeOuts::kParticipantCall, so a participant
// that hangs holds the context at most that long; one whose call fails is dropped with one
// warning. A callback that answers other than RTC_OK puts it into ERROR.
#ifndef RTM_REMOTE_REMOTEPARTICIPANTS_H
#define RTM_REMOTE_REMOTEPARTICIPANTS_H

#include <rtm/idl/RtcInterfaces.hh>

#include "PeriodicExecutionContext.h"

#include <memory>
#include <mutex>
#include <vector>

namespace RTC
{
  class RemoteParticipants
  {
  public:
    void add(RTC::LightweightRTObject_ptr comp, RTC::ExecutionContextHandle_t handle);
    // False for a component that is not a participant; else `handle` is the one it had.
    bool remove(RTC::LightweightRTObject_ptr comp, RTC::ExecutionContextHandle_t& handle);
    bool has(RTC::LightweightRTObject_ptr comp);
    // CREATED_STATE for a component that is not a participant.
    RTC::LifeCycleState state(RTC::LightweightRTObject_ptr comp);
    std::vector<RTC::LightweightRTObject_var> components();

    // On the context's thread. PRECONDITION_NOT_MET when the state does not allow the change,
    // BAD_PARAMETER for a stranger.
    RTC::ReturnCode_t change(RTC::LightweightRTObject_ptr comp,
                             PeriodicExecutionContext::Transition which);
    // True while a participant needs periodic calls (active or in error).
    bool busy();
    // One period: on_execute and on_state_update of the active, on_error of those in error.
    void cycle();

  private:
    struct Entry
    {
      RTC::LightweightRTObject_var component;
      RTC::DataFlowComponentAction_var dataFlow;   // nil when it is not one
      RTC::ExecutionContextHandle_t handle = 0;
      RTC::LifeCycleState state = RTC::INACTIVE_STATE;   // guarded by m_mutex
    };
    typedef std::shared_ptr<Entry> EntryPtr;

    EntryPtr find(RTC::LightweightRTObject_ptr comp);
    void setState(const EntryPtr& entry, RTC::LifeCycleState state);
    // Into ERROR, telling the participant (on_aborting) as OpenRTM-aist does.
    void abort(const EntryPtr& entry);
    void drop(const EntryPtr& entry, const CORBA::Exception& reason);

    std::mutex m_mutex;
    std::vector<EntryPtr> m_entries;   // guarded by m_mutex
  };
}

#endif
