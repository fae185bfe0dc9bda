// The remote face of a component's periodic execution context. State changes are carried
// out on the context's own thread; the call returns once they are done, or with RTC_ERROR
// after a bounded wait (the change still completes), so that no caller hangs.
#ifndef RTM_REMOTE_EXECUTIONCONTEXTSERVANT_H
#define RTM_REMOTE_EXECUTIONCONTEXTSERVANT_H

#include <rtm/idl/RtcInterfaces.hh>

#include "NoImplement.h"
#include "RemoteParticipants.h"
#include "ServantLifetime.h"

#include <memory>

namespace RTC
{
  class RTObject_impl;

  class ExecutionContextServant : public NoImplement<POA_RTC::ExecutionContextService>
  {
  public:
    ExecutionContextServant(RTObject_impl& component,
                            const std::shared_ptr<ServantLifetime>& lifetime);
    void setReferences(RTC::ExecutionContextService_ptr self, RTC::RTObject_ptr owner);
    RTC::ExecutionContextService_ptr reference();

    CORBA::Boolean is_running() override;
    // PRECONDITION_NOT_MET when already started / stopped. A stopped context runs no cycles;
    // its component keeps its state.
    RTC::ReturnCode_t start() override;
    RTC::ReturnCode_t stop() override;
    CORBA::Double get_rate() override;
    // BAD_PARAMETER unless a positive finite number; applies from the next period on.
    RTC::ReturnCode_t set_rate(CORBA::Double rate) override;
    // A component of another program joins as a participant: it is attached (attach_context),
    // listed in the profile and driven by the context (RemoteParticipants). BAD_PARAMETER for
    // nil, RTC_ERROR when it does not answer.
    RTC::ReturnCode_t add_component(RTC::LightweightRTObject_ptr comp) override;
    // Detaches a participant; BAD_PARAMETER for nil, the owner or a stranger.
    RTC::ReturnCode_t remove_component(RTC::LightweightRTObject_ptr comp) override;
    // BAD_PARAMETER for a component neither ours nor a participant, PRECONDITION_NOT_MET when
    // its state does not allow the change.
    RTC::ReturnCode_t activate_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t deactivate_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::ReturnCode_t reset_component(RTC::LightweightRTObject_ptr comp) override;
    RTC::LifeCycleState get_component_state(RTC::LightweightRTObject_ptr comp) override;
    RTC::ExecutionKind get_kind() override;
    RTC::ExecutionContextProfile* get_profile() override;

  private:
    bool isOurs(RTC::LightweightRTObject_ptr comp);
    RTC::ReturnCode_t change(RTC::LightweightRTObject_ptr comp, int which);

    RTObject_impl& m_component;
    std::shared_ptr<ServantLifetime> m_lifetime;
    RTC::ExecutionContextService_var m_self;
    RTC::RTObject_var m_owner;
    // Shared with the context, which calls them on its thread.
    std::shared_ptr<RemoteParticipants> m_participants;
  };
}

#endif
