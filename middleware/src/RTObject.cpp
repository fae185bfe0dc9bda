#include <rtm/DataFlowComponentBase.h>
#include <rtm/RTObject.h>

#include "ComponentCore.h"

namespace RTC
{
  RTObject_impl::RTObject_impl(Manager* manager) : m_manager(manager), m_core(new ComponentCore())
  {
  }

  RTObject_impl::~RTObject_impl() = default;

  ReturnCode_t RTObject_impl::onInitialize()
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onFinalize()
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onStartup(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onShutdown(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onActivated(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onDeactivated(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onExecute(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onAborting(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onError(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onReset(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onStateUpdate(UniqueId)
  {
    return RTC_OK;
  }
  ReturnCode_t RTObject_impl::onRateChanged(UniqueId)
  {
    return RTC_OK;
  }

  bool RTObject_impl::addInPort(const char* name, InPortBase& inport)
  {
    return name != nullptr && m_core->addInPort(name, inport);
  }

  bool RTObject_impl::addOutPort(const char* name, OutPortBase& outport)
  {
    return name != nullptr && m_core->addOutPort(name, outport);
  }

  const char* RTObject_impl::getInstanceName()
  {
    return m_core->instanceName().c_str();
  }

  Manager* RTObject_impl::manager()
  {
    return m_manager;
  }

  bool RTObject_impl::bindParameterSetter(const char* name, const std::string& defaultValue,
                                          const std::function<bool(const char*)>& apply)
  {
    if (name == nullptr) { return false; }
    return m_core->config().bind(name, defaultValue, apply);
  }

  DataFlowComponentBase::DataFlowComponentBase(Manager* manager) : RTObject_impl(manager) {}
  DataFlowComponentBase::~DataFlowComponentBase() = default;
}
