// The remote face of one component, as OpenRTM-aist components present themselves: an
// OpenRTM::DataFlowComponent with its profile, its ports, one owned periodic execution context
// and its configuration, each a CORBA object of its own. Operations we do not offer raise
// NO_IMPLEMENT.
#ifndef RTM_REMOTE_COMPONENTSERVANT_H
#define RTM_REMOTE_COMPONENTSERVANT_H

#include <rtm/idl/OpenRtmInterfaces.hh>

#include "ConfigurationServant.h"
#include "ExecutionContextServant.h"
#include "NoImplement.h"
#include "PortServant.h"
#include "ServantLifetime.h"

#include <memory>
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

    // ComponentAction and DataFlowComponentAction: the context calls them in-process.
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
    RTC::ReturnCode_t initialize() override;
    RTC::ReturnCode_t finalize() override;
    CORBA::Boolean is_alive(RTC::ExecutionContext_ptr context) override;
    // Deactivates the component, returns, and then finalises it.
    RTC::ReturnCode_t exit() override;
    RTC::ExecutionContextHandle_t attach_context(RTC::ExecutionContext_ptr) override;
    RTC::ReturnCode_t detach_context(RTC::ExecutionContextHandle_t) override;
    RTC::ExecutionContext_ptr get_context(RTC::ExecutionContextHandle_t handle) override;
    RTC::ExecutionContextList* get_owned_contexts() override;
    RTC::ExecutionContextList* get_participating_contexts() override;
    RTC::ExecutionContextHandle_t get_context_handle(RTC::ExecutionContext_ptr context) override;

    // RTObject
    RTC::ComponentProfile* get_component_profile() override;
    RTC::PortServiceList* get_ports() override;

    // SDO
    char* get_sdo_id() override;
    char* get_sdo_type() override;
    SDOPackage::Configuration_ptr get_configuration() override;

  private:
    template <typename Servant> struct Object
    {
      PortableServer::Servant_var<Servant> servant;
      PortableServer::ObjectId_var id;
    };

    bool isOwnContext(RTC::ExecutionContext_ptr context);

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
  };
}

#endif
