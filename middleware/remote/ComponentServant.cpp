#include "ComponentServant.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"
#include "CorbaRemoteLayer.h"
#include "GuardedCall.h"
#include "InPortServant.h"
#include "NameValues.h"
#include "ObservedPort.h"
#include "OutPortServant.h"
#include "PeriodicExecutionContext.h"
#include "TimeOuts.h"

#include <algorithm>
#include <chrono>

namespace RTC
{
  namespace
  {
    template <typename Servant>
    CORBA::Object_ptr activate(PortableServer::POA_ptr poa, Servant* servant,
                               PortableServer::ObjectId_var& id)
    {
      id = poa->activate_object(servant);
      return poa->id_to_reference(id.in());
    }

    void deactivate(PortableServer::POA_ptr poa, const PortableServer::ObjectId& id)
    {
      try
        {
          poa->deactivate_object(id);
        }
      catch (const CORBA::Exception&)
        {
          // The POA is already being destroyed with the ORB.
        }
    }
  }

  ComponentServant::ComponentServant(CorbaRemoteLayer& layer, RTObject_impl& component)
    : m_layer(layer), m_component(component), m_instanceName(coreOf(component).instanceName()),
      m_lifetime(std::make_shared<ServantLifetime>()), m_records(std::make_shared<SdoRecords>()),
      m_observers(std::make_shared<ComponentObservers>())
  {
  }

  void ComponentServant::serve(PortableServer::POA_ptr poa)
  {
    CORBA::Object_var self = activate(poa, this, m_id);
    m_self = OpenRTM::DataFlowComponent::_narrow(self);

    m_context.servant = new ExecutionContextServant(m_component, m_lifetime);
    CORBA::Object_var context = activate(poa, m_context.servant.in(), m_context.id);
    m_contextRef = RTC::ExecutionContextService::_narrow(context);
    m_context.servant->setReferences(m_contextRef.in(), m_self.in());

    m_configuration.servant =
      new ConfigurationServant(m_component, m_lifetime, m_records, m_observers);
    CORBA::Object_var configuration =
      activate(poa, m_configuration.servant.in(), m_configuration.id);
    m_configurationRef = SDOPackage::Configuration::_narrow(configuration);

    auto addPort = [&](PortServant* servant) {
      Object<PortServant> port;
      port.servant = servant;
      CORBA::Object_var object = activate(poa, port.servant.in(), port.id);
      RTC::PortService_var reference = RTC::PortService::_narrow(object);
      port.servant->setReferences(reference.in(), m_self.in());
      m_ports.push_back(port);
    };
    // In the order the component added them, as OpenRTM-aist lists ports.
    ComponentCore& core = coreOf(m_component);
    for (const std::string& name : core.portNames())
      {
        if (InPortBase* in = core.inPort(name))
          {
            addPort(new ObservedPort<InPortServant>(m_observers, m_layer.orb(), poa, m_instanceName,
                                                    *in, m_lifetime));
          }
        if (OutPortBase* out = core.outPort(name))
          {
            addPort(new ObservedPort<OutPortServant>(m_observers, m_layer.orb(), poa,
                                                     m_instanceName, *out, m_lifetime));
          }
      }
    observeContext();
  }

  void ComponentServant::observeContext()
  {
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context == nullptr) { return; }
    std::weak_ptr<ComponentObservers> observers = m_observers;
    ConfigAdmin* config = &coreOf(m_component).config();
    context->setListener([observers, config](PeriodicExecutionContext::Event event) {
      std::shared_ptr<ComponentObservers> to = observers.lock();
      if (!to) { return; }
      switch (event)
        {
        case PeriodicExecutionContext::Event::Activated:
          to->notify(ObservedEvent::RtcStatus, "ACTIVE:0");
          break;
        case PeriodicExecutionContext::Event::Deactivated:
        case PeriodicExecutionContext::Event::Reset:
          to->notify(ObservedEvent::RtcStatus, "INACTIVE:0");
          break;
        case PeriodicExecutionContext::Event::Aborting:
          to->notify(ObservedEvent::RtcStatus, "ERROR:0");
          break;
        case PeriodicExecutionContext::Event::Startup:
          to->notify(ObservedEvent::EcStatus, "STARTUP:0");
          break;
        case PeriodicExecutionContext::Event::Shutdown:
          to->notify(ObservedEvent::EcStatus, "SHUTDOWN:0");
          break;
        case PeriodicExecutionContext::Event::RateChanged:
          to->notify(ObservedEvent::EcStatus, "RATE_CHANGED:0");
          break;
        case PeriodicExecutionContext::Event::ConfigurationUpdated:
          to->notify(ObservedEvent::Configuration, "UPDATE_CONFIG_SET: " + config->activeSet());
          break;
        }
    });
  }

  void ComponentServant::retire(PortableServer::POA_ptr poa)
  {
    // Peers drop their ends now rather than find this one gone later.
    for (auto& port : m_ports) { port.servant->disconnectAllOnExit(); }
    m_lifetime->retire();
    if (PeriodicExecutionContext* context = coreOf(m_component).executionContext())
      {
        context->setListener(nullptr);
        context->setParticipants({});   // their references must not outlive the ORB
      }
    m_observers->notify(ObservedEvent::RtcStatus, "FINALIZE:0");
    m_observers->close();
    deactivate(poa, m_id.in());
    deactivate(poa, m_context.id.in());
    deactivate(poa, m_configuration.id.in());
    for (auto& port : m_ports) { deactivate(poa, port.id.in()); }
  }

  OpenRTM::DataFlowComponent_ptr ComponentServant::reference()
  {
    return OpenRTM::DataFlowComponent::_duplicate(m_self.in());
  }

  PortServant* ComponentServant::port(const std::string& name)
  {
    const std::string full = m_instanceName + "." + name;
    for (auto& port : m_ports)
      {
        if (port.servant->name() == full) { return port.servant.in(); }
      }
    return nullptr;
  }

  void ComponentServant::dropAbandonedConnections()
  {
    try
      {
        for (auto& port : m_ports) { port.servant->dropAbandonedConnections(); }
      }
    catch (const CORBA::OBJECT_NOT_EXIST&)
      {
        // Retired meanwhile.
      }
  }

  // ---- actions, for a context of another program

  RTC::ReturnCode_t
  ComponentServant::runCallback(const std::function<RTC::ReturnCode_t()>& callback)
  {
    ServantLifetime::Use use(*m_lifetime);
    PeriodicExecutionContext* context = coreOf(m_component).executionContext();
    if (context == nullptr) { return RTC::PRECONDITION_NOT_MET; }
    // Shared: after a time-out the callback still runs, and sets it then.
    auto result = std::make_shared<RTC::ReturnCode_t>(RTC::RTC_ERROR);
    context->runBetweenCallbacks([callback, result] { *result = guardedCall(callback); },
                                 TimeOuts::kTransition);
    return *result;
  }

  RTC::ReturnCode_t
  ComponentServant::runCallback(RTC::ReturnCode_t (RTObject_impl::*callback)(RTC::UniqueId),
                                RTC::ExecutionContextHandle_t handle)
  {
    RTObject_impl& component = m_component;
    return runCallback([&component, callback, handle] { return (component.*callback)(handle); });
  }

  RTC::ReturnCode_t ComponentServant::on_initialize()
  {
    RTObject_impl& component = m_component;
    return runCallback([&component] { return component.onInitialize(); });
  }
  RTC::ReturnCode_t ComponentServant::on_finalize()
  {
    RTObject_impl& component = m_component;
    return runCallback([&component] { return component.onFinalize(); });
  }
  RTC::ReturnCode_t ComponentServant::on_startup(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onStartup, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_shutdown(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onShutdown, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_activated(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onActivated, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_deactivated(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onDeactivated, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_aborting(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onAborting, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_error(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onError, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_reset(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onReset, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_execute(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onExecute, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_state_update(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onStateUpdate, handle);
  }
  RTC::ReturnCode_t ComponentServant::on_rate_changed(RTC::ExecutionContextHandle_t handle)
  {
    return runCallback(&RTObject_impl::onRateChanged, handle);
  }
  RTC::ReturnCode_t ComponentServant::initialize()
  {
    ServantLifetime::Use use(*m_lifetime);
    return RTC::PRECONDITION_NOT_MET;
  }
  RTC::ReturnCode_t ComponentServant::finalize()
  {
    ServantLifetime::Use use(*m_lifetime);
    return RTC::PRECONDITION_NOT_MET;
  }

  RTC::ExecutionContextHandle_t ComponentServant::attach_context(RTC::ExecutionContext_ptr context)
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ExecutionContextService_var service;
    try
      {
        service = RTC::ExecutionContextService::_narrow(context);
      }
    catch (const CORBA::Exception&)
      {
        return -1;   // unreachable: cannot be told apart from a wrong type
      }
    if (CORBA::is_nil(service)) { return -1; }
    RTC::ExecutionContextHandle_t handle;
    {
      std::lock_guard<std::mutex> lock(m_othersMutex);
      std::size_t free = 0;
      while (free < m_others.size() && !CORBA::is_nil(m_others[free])) { ++free; }
      if (free == m_others.size()) { m_others.emplace_back(); }
      m_others[free] = service._retn();
      handle = kOtherContexts + static_cast<RTC::ExecutionContextHandle_t>(free);
      m_observers->setParticipatingContexts(participatingLocked());
    }
    m_observers->notify(ObservedEvent::EcStatus, "ATTACHED:" + std::to_string(handle));
    return handle;
  }

  RTC::ReturnCode_t ComponentServant::detach_context(RTC::ExecutionContextHandle_t handle)
  {
    ServantLifetime::Use use(*m_lifetime);
    {
      std::lock_guard<std::mutex> lock(m_othersMutex);
      const long index = static_cast<long>(handle) - kOtherContexts;
      if (index < 0 || static_cast<std::size_t>(index) >= m_others.size() ||
          CORBA::is_nil(m_others[index]))
        {
          return RTC::BAD_PARAMETER;
        }
      m_others[index] = RTC::ExecutionContextService::_nil();
      m_observers->setParticipatingContexts(participatingLocked());
    }
    m_observers->notify(ObservedEvent::EcStatus, "DETACHED:" + std::to_string(handle));
    return RTC::RTC_OK;
  }

  std::size_t ComponentServant::participatingLocked() const
  {
    return static_cast<std::size_t>(std::count_if(
      m_others.begin(), m_others.end(),
      [](const RTC::ExecutionContextService_var& other) { return !CORBA::is_nil(other); }));
  }

  // ---- lifecycle and contexts

  bool ComponentServant::isOwnContext(RTC::ExecutionContext_ptr context)
  {
    return !CORBA::is_nil(context) && context->_is_equivalent(m_contextRef.in());
  }

  CORBA::Boolean ComponentServant::is_alive(RTC::ExecutionContext_ptr context)
  {
    ServantLifetime::Use use(*m_lifetime);
    return isOwnContext(context);
  }

  RTC::ReturnCode_t ComponentServant::exit()
  {
    ServantLifetime::Use use(*m_lifetime);
    // The caller learns that onDeactivated has returned; finalising happens after the reply.
    if (coreOf(m_component).state() == ACTIVE_STATE)
      {
        if (PeriodicExecutionContext* context = coreOf(m_component).executionContext())
          {
            context->transition(PeriodicExecutionContext::Transition::Deactivate,
                                TimeOuts::kExitDeactivation);
          }
      }
    m_layer.requestExit(m_instanceName);
    return RTC::RTC_OK;
  }

  RTC::ExecutionContext_ptr ComponentServant::get_context(RTC::ExecutionContextHandle_t handle)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (handle == 0) { return RTC::ExecutionContextService::_duplicate(m_contextRef.in()); }
    std::lock_guard<std::mutex> lock(m_othersMutex);
    const long index = static_cast<long>(handle) - kOtherContexts;
    if (index < 0 || static_cast<std::size_t>(index) >= m_others.size())
      {
        return RTC::ExecutionContext::_nil();
      }
    return RTC::ExecutionContextService::_duplicate(m_others[index].in());
  }

  RTC::ExecutionContextList* ComponentServant::get_owned_contexts()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ExecutionContextList_var list = new RTC::ExecutionContextList;
    list->length(1);
    list[0] = RTC::ExecutionContextService::_duplicate(m_contextRef.in());
    return list._retn();
  }

  RTC::ExecutionContextList* ComponentServant::get_participating_contexts()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::ExecutionContextList_var list = new RTC::ExecutionContextList;
    std::lock_guard<std::mutex> lock(m_othersMutex);
    for (const auto& other : m_others)
      {
        if (CORBA::is_nil(other)) { continue; }
        list->length(list->length() + 1);
        list[list->length() - 1] = RTC::ExecutionContextService::_duplicate(other.in());
      }
    return list._retn();
  }

  RTC::ExecutionContextHandle_t
  ComponentServant::get_context_handle(RTC::ExecutionContext_ptr context)
  {
    ServantLifetime::Use use(*m_lifetime);
    if (isOwnContext(context)) { return 0; }
    if (CORBA::is_nil(context)) { return -1; }
    std::lock_guard<std::mutex> lock(m_othersMutex);
    for (std::size_t i = 0; i < m_others.size(); ++i)
      {
        if (!CORBA::is_nil(m_others[i]) && m_others[i]->_is_equivalent(context))
          {
            return kOtherContexts + static_cast<RTC::ExecutionContextHandle_t>(i);
          }
      }
    return -1;
  }

  // ---- profile and ports

  RTC::ComponentProfile* ComponentServant::get_component_profile()
  {
    ServantLifetime::Use use(*m_lifetime);
    const coil::Properties& properties = coreOf(m_component).properties();
    RTC::ComponentProfile_var profile = new RTC::ComponentProfile;
    profile->instance_name = CORBA::string_dup(m_instanceName.c_str());
    profile->type_name = CORBA::string_dup(properties.getProperty("type_name").c_str());
    profile->description = CORBA::string_dup(properties.getProperty("description").c_str());
    profile->version = CORBA::string_dup(properties.getProperty("version").c_str());
    profile->vendor = CORBA::string_dup(properties.getProperty("vendor").c_str());
    profile->category = CORBA::string_dup(properties.getProperty("category").c_str());
    profile->port_profiles.length(static_cast<CORBA::ULong>(m_ports.size()));
    for (CORBA::ULong i = 0; i < profile->port_profiles.length(); ++i)
      {
        RTC::PortProfile_var port = m_ports[i].servant->get_port_profile();
        profile->port_profiles[i] = port.in();
      }
    profile->properties = toNameValues(properties);
    return profile._retn();
  }

  RTC::PortServiceList* ComponentServant::get_ports()
  {
    ServantLifetime::Use use(*m_lifetime);
    RTC::PortServiceList_var list = new RTC::PortServiceList;
    list->length(static_cast<CORBA::ULong>(m_ports.size()));
    for (CORBA::ULong i = 0; i < list->length(); ++i) { list[i] = m_ports[i].servant->reference(); }
    return list._retn();
  }
}
