// Base of every component: the callbacks the execution context calls, port registration and
// configuration binding.
#ifndef RTM_RTOBJECT_H
#define RTM_RTOBJECT_H

#include <coil/Properties.h>
#include <coil/stringutil.h>
#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>
#include <rtm/RTC.h>

#include <functional>
#include <memory>
#include <string>

namespace RTC
{
  class Manager;
  class ComponentCore;

  class RTObject_impl
  {
  public:
    explicit RTObject_impl(Manager* manager);
    virtual ~RTObject_impl();
    RTObject_impl(const RTObject_impl&) = delete;
    RTObject_impl& operator=(const RTObject_impl&) = delete;

    // Called on the creating thread when the component is created and when it is destroyed.
    virtual ReturnCode_t onInitialize();
    virtual ReturnCode_t onFinalize();
    // Called on the execution context thread.
    virtual ReturnCode_t onStartup(UniqueId exec_handle);
    virtual ReturnCode_t onShutdown(UniqueId exec_handle);
    virtual ReturnCode_t onActivated(UniqueId exec_handle);
    virtual ReturnCode_t onDeactivated(UniqueId exec_handle);
    virtual ReturnCode_t onExecute(UniqueId exec_handle);
    virtual ReturnCode_t onAborting(UniqueId exec_handle);
    virtual ReturnCode_t onError(UniqueId exec_handle);
    virtual ReturnCode_t onReset(UniqueId exec_handle);
    virtual ReturnCode_t onStateUpdate(UniqueId exec_handle);
    virtual ReturnCode_t onRateChanged(UniqueId exec_handle);

    bool addInPort(const char* name, InPortBase& inport);
    bool addOutPort(const char* name, OutPortBase& outport);

    // Binds a configuration parameter to `var` and sets it at once: to the active set's value
    // where there is one, else to `def_val`. A value the conversion refuses sets the default.
    template <typename VarType>
    bool bindParameter(const char* param_name, VarType& var, const char* def_val,
                       bool (*trans)(VarType&, const char*) = coil::stringTo)
    {
      const std::string defaultText(def_val != 0 ? def_val : "");
      return bindParameterSetter(param_name, defaultText,
                                 [&var, trans, defaultText](const char* value) {
                                   if (trans(var, value)) { return true; }
                                   trans(var, defaultText.c_str());
                                   return false;
                                 });
    }

    const char* getInstanceName();

    // Middleware side.
    Manager* manager();

  private:
    friend class MiddlewareAccess;   // the middleware's own way to m_core
    bool bindParameterSetter(const char* name, const std::string& defaultValue,
                             const std::function<bool(const char*)>& apply);

    Manager* m_manager;
    std::unique_ptr<ComponentCore> m_core;
  };
}

#endif
