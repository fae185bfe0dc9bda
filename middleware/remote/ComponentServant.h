// The remote face of one component, as OpenRTM-aist components present themselves: an
// OpenRTM::DataFlowComponent with its profile, its ports, one owned periodic execution context
// and its configuration, each a CORBA object of its own. Every operation answers as
// OpenRTM-aist's components answer it; the few deliberate differences are in README.
#ifndef RTM_REMOTE_COMPONENTSERVANT_H
#define RTM_REMOTE_COMPONENTSERVANT_H

#include <rtm/RTC.h>
#include <rtm/idl/OpenRtmInterfaces.hh>

#include "ComponentObservers.h"
#include "ConfigurationServant.h"
#include "ExecutionContextServant.h"
#include "NoImplement.h"
#include "PortServant.h"
#include "SdoRecords.h"
#include "ServantLifetime.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class CorbaRemoteLayer;
  class RTObject_impl;

  class ComponentServant : public NoImplement<POA_OpenRTM::DataFlowComponent>
  {
  public:
    ComponentServant(CorbaRemoteLayer& layer, RTObject_impl& component);

    // Activates this object and those of its ports, context and configuration in `poa`.
    void serve(PortableServer::POA_ptr poa);
    // Disconnects the ports (telling the peers), refuses further calls, waits for the calls
    // inside to leave, and deactivates the objects. The component may be deleted afterwards.
    void retire(PortableServer::POA_ptr poa);
    OpenRTM::DataFlowComponent_ptr reference();
    // The port servant of local port `name`; null when there is none.
    PortServant* port(const std::string& name);
    // See PortServant::dropAbandonedConnections; nothing once the component is retired.
    void dropAbandonedConnections();

    // ComponentAction and DataFlowComponentAction, for an execution context of another program
    // that drives this component: each runs the component's callback on its own execution
    // context thread, between two of its callbacks, and answers the callback's return code.
    RTC::ReturnCode_t on_initialize() override;
    RTC::ReturnCode_t on_finalize() override;
    RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t) override;
    RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t) override;

    // LightweightRTObject
    // The component is initialised once, at creation: PRECONDITION_NOT_MET.
    RTC::ReturnCode_t initialize() override;
    // PRECONDITION_NOT_MET: a component is finalised through exit(), as in OpenRTM-aist.
    RTC::ReturnCode_t finalize() override;
    CORBA::Boolean is_alive(RTC::ExecutionContext_ptr context) override;
    // Deactivates the component, returns, and then finalises it.
    RTC::ReturnCode_t exit() override;
    // A context of another program: handles from kOtherContexts on; -1 for nil or a
    // reference that is not an ExecutionContextService.
    RTC::ExecutionContextHandle_t attach_context(RTC::ExecutionContext_ptr context) override;
    // BAD_PARAMETER unless `handle` is an attached context's.
    RTC::ReturnCode_t detach_context(RTC::ExecutionContextHandle_t handle) override;
    RTC::ExecutionContext_ptr get_context(RTC::ExecutionContextHandle_t handle) override;
    RTC::ExecutionContextList* get_owned_contexts() override;
    RTC::ExecutionContextList* get_participating_contexts() override;
    RTC::ExecutionContextHandle_t get_context_handle(RTC::ExecutionContext_ptr context) override;

    // RTObject
    RTC::ComponentProfile* get_component_profile() override;
    RTC::PortServiceList* get_ports() override;

    // SDO, in ComponentSdo.cpp: empty lists where OpenRTM-aist has nothing to list,
    // InvalidParameter for unknown ids and names, InterfaceNotImplemented for monitoring.
    SDOPackage::OrganizationList* get_owned_organizations() override;
    char* get_sdo_id() override;
    char* get_sdo_type() override;
    SDOPackage::DeviceProfile* get_device_profile() override;
    SDOPackage::ServiceProfileList* get_service_profiles() override;
    SDOPackage::ServiceProfile* get_service_profile(const char* id) override;
    SDOPackage::SDOService_ptr get_sdo_service(const char* id) override;
    SDOPackage::Configuration_ptr get_configuration() override;
    SDOPackage::Monitoring_ptr get_monitoring() override;
    SDOPackage::OrganizationList* get_organizations() override;
    SDOPackage::NVList* get_status_list() override;
    CORBA::Any* get_status(const char* name) override;

    // Handles of contexts of other programs start here, as in OpenRTM-aist.
    static constexpr RTC::ExecutionContextHandle_t kOtherContexts = 1000;

  private:
    // Attached contexts of other programs; m_othersMutex held.
    std::size_t participatingLocked() const;
    template <typename Servant> struct Object
    {
      PortableServer::Servant_var<Servant> servant;
      PortableServer::ObjectId_var id;
    };

    bool isOwnContext(RTC::ExecutionContext_ptr context);
    // Runs `callback` on the execution context thread (see ComponentAction above).
    RTC::ReturnCode_t runCallback(const std::function<RTC::ReturnCode_t()>& callback);
    RTC::ReturnCode_t runCallback(RTC::ReturnCode_t (RTObject_impl::*callback)(RTC::UniqueId),
                                  RTC::ExecutionContextHandle_t handle);
    // Passes the execution context's events on to the observers.
    void observeContext();

    CorbaRemoteLayer& m_layer;
    RTObject_impl& m_component;
    const std::string m_instanceName;
    std::shared_ptr<ServantLifetime> m_lifetime;
    PortableServer::ObjectId_var m_id;
    OpenRTM::DataFlowComponent_var m_self;
    Object<ExecutionContextServant> m_context;
    RTC::ExecutionContextService_var m_contextRef;
    Object<ConfigurationServant> m_configuration;
    SDOPackage::Configuration_var m_configurationRef;
    std::vector<Object<PortServant>> m_ports;
    std::shared_ptr<SdoRecords> m_records;
    std::shared_ptr<ComponentObservers> m_observers;
    std::mutex m_othersMutex;
    // Attached contexts of other programs by handle - kOtherContexts; nil once detached.
    std::vector<RTC::ExecutionContextService_var> m_others;   // guarded by m_othersMutex
  };
}

#endif
