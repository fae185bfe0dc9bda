#include "SurfaceCalls.h"

#include <cmath>

namespace testsupport
{
  namespace
  {
    SDOPackage::ConfigurationSet emptySet(const char* id)
    {
      SDOPackage::ConfigurationSet values;
      values.id = CORBA::string_dup(id);
      values.description = CORBA::string_dup("");
      return values;
    }

    SDOPackage::ServiceProfile observer(const char* type, CORBA::Object_ptr service)
    {
      SDOPackage::ServiceProfile profile;
      profile.id = CORBA::string_dup("watch");
      profile.interface_type = CORBA::string_dup(type);
      profile.service = SDOPackage::SDOService::_unchecked_narrow(service);
      return profile;
    }

    std::string code(RTC::ReturnCode_t c)
    {
      return std::to_string(static_cast<int>(c));
    }
    std::string yes(bool b)
    {
      return b ? "true" : "false";
    }
    std::string count(CORBA::ULong n)
    {
      return n == 0 ? "empty" : "value";
    }

    const char* const kObserver = "IDL:OpenRTM/ComponentObserver:1.0";
  }

  std::vector<SurfaceCall> surfaceCalls(RTC::RTObject_ptr component,
                                        RTC::ExecutionContext_ptr context)
  {
    // Held by every call, so that the list outlives the caller's references.
    RTC::RTObject_var rtc = RTC::RTObject::_duplicate(component);
    RTC::ExecutionContext_var own = RTC::ExecutionContext::_duplicate(context);
    SDOPackage::Configuration_var conf = component->get_configuration();
    RTC::ExecutionContextService_var ec = RTC::ExecutionContextService::_narrow(context);
    OpenRTM::DataFlowComponent_var flow = OpenRTM::DataFlowComponent::_narrow(component);
    const auto nothing = [](const std::function<void()>& call) {
      return [call] {
        call();
        return std::string();
      };
    };
    return {
      {"get_owned_organizations", "empty",
       [rtc] {
         return count(SDOPackage::OrganizationList_var(rtc->get_owned_organizations())->length());
       }},
      {"get_organizations", "empty",
       [rtc] {
         return count(SDOPackage::OrganizationList_var(rtc->get_organizations())->length());
       }},
      {"get_service_profiles", "empty",
       [rtc] {
         return count(SDOPackage::ServiceProfileList_var(rtc->get_service_profiles())->length());
       }},
      {"get_status_list", "empty",
       [rtc] { return count(SDOPackage::NVList_var(rtc->get_status_list())->length()); }},
      {"get_device_profile", "empty",
       [rtc] {
         return count(
           SDOPackage::DeviceProfile_var(rtc->get_device_profile())->properties.length());
       }},
      {"get_service_profile", "InvalidParameter",
       nothing([rtc] { SDOPackage::ServiceProfile_var(rtc->get_service_profile("x")); })},
      {"get_sdo_service", "InvalidParameter",
       nothing([rtc] { SDOPackage::SDOService_var(rtc->get_sdo_service("x")); })},
      {"get_status", "InvalidParameter", nothing([rtc] { CORBA::Any_var(rtc->get_status("x")); })},
      {"get_monitoring", "InterfaceNotImplemented",
       nothing([rtc] { SDOPackage::Monitoring_var(rtc->get_monitoring()); })},
      {"get_configuration_parameters", "empty",
       [conf] {
         return count(
           SDOPackage::ParameterList_var(conf->get_configuration_parameters())->length());
       }},
      {"get_configuration_parameter_values", "empty",
       [conf] {
         return count(SDOPackage::NVList_var(conf->get_configuration_parameter_values())->length());
       }},
      {"set_configuration_parameter", "true",
       [conf] { return yes(conf->set_configuration_parameter("x", CORBA::Any())); }},
      {"get_configuration_parameter_value", "InvalidParameter",
       nothing([conf] { CORBA::Any_var(conf->get_configuration_parameter_value("")); })},
      {"set_device_profile", "true",
       [conf] { return yes(conf->set_device_profile(SDOPackage::DeviceProfile())); }},
      {"add_configuration_set", "true",
       [conf] { return yes(conf->add_configuration_set(emptySet("extra"))); }},
      {"add_configuration_set twice", "false",
       [conf] { return yes(conf->add_configuration_set(emptySet("extra"))); }},
      {"add_configuration_set no id", "false",
       [conf] { return yes(conf->add_configuration_set(emptySet(""))); }},
      {"get_active_configuration_set after a change", "NotAvailable",
       nothing([conf] { SDOPackage::ConfigurationSet_var(conf->get_active_configuration_set()); })},
      {"activate_configuration_set", "true",
       [conf] { return yes(conf->activate_configuration_set("extra")); }},
      {"remove_configuration_set active", "false",
       [conf] { return yes(conf->remove_configuration_set("extra")); }},
      {"remove_configuration_set default", "false",
       [conf] { return yes(conf->remove_configuration_set("default")); }},
      {"remove_configuration_set no id", "InvalidParameter",
       nothing([conf] { conf->remove_configuration_set(""); })},
      {"activate_configuration_set default", "true",
       [conf] { return yes(conf->activate_configuration_set("default")); }},
      {"remove_configuration_set", "true",
       [conf] { return yes(conf->remove_configuration_set("extra")); }},
      {"remove_configuration_set again", "false",
       [conf] { return yes(conf->remove_configuration_set("extra")); }},
      {"get_configuration_set removed", "InternalError",
       nothing([conf] { SDOPackage::ConfigurationSet_var(conf->get_configuration_set("extra")); })},
      {"add_service_profile nil observer", "false",
       [conf] {
         return yes(conf->add_service_profile(observer(kObserver, CORBA::Object::_nil())));
       },
       false},
      {"add_service_profile wrong observer", "false",
       [conf, own] { return yes(conf->add_service_profile(observer(kObserver, own))); }, false},
      {"add_service_profile other type", "false",
       [conf, own] { return yes(conf->add_service_profile(observer("IDL:x/Y:1.0", own))); }, false},
      {"remove_service_profile unknown", "false",
       [conf] { return yes(conf->remove_service_profile("watch")); }},
      {"start running", code(RTC::PRECONDITION_NOT_MET), [ec] { return code(ec->start()); }},
      {"stop", code(RTC::RTC_OK), [ec] { return code(ec->stop()); }},
      {"is_running stopped", "false", [ec] { return yes(ec->is_running()); }},
      {"stop stopped", code(RTC::PRECONDITION_NOT_MET), [ec] { return code(ec->stop()); }},
      {"start", code(RTC::RTC_OK), [ec] { return code(ec->start()); }},
      {"set_rate 0", code(RTC::BAD_PARAMETER), [ec] { return code(ec->set_rate(0.0)); }},
      {"set_rate negative", code(RTC::BAD_PARAMETER), [ec] { return code(ec->set_rate(-5.0)); }},
      {"set_rate NaN", code(RTC::BAD_PARAMETER), [ec] { return code(ec->set_rate(std::nan(""))); },
       false},
      {"set_rate", code(RTC::RTC_OK), [ec] { return code(ec->set_rate(50.0)); }},
      {"get_rate", "50", [ec] { return std::to_string(static_cast<int>(ec->get_rate())); }},
      {"add_component nil", code(RTC::BAD_PARAMETER),
       [ec] { return code(ec->add_component(RTC::RTObject::_nil())); }},
      {"remove_component nil", code(RTC::BAD_PARAMETER),
       [ec] { return code(ec->remove_component(RTC::RTObject::_nil())); }},
      {"remove_component own", code(RTC::BAD_PARAMETER),
       [ec, rtc] { return code(ec->remove_component(rtc)); }},
      {"attach_context nil", "-1",
       [rtc] { return std::to_string(rtc->attach_context(RTC::ExecutionContext::_nil())); }},
      {"attach_context", "1000", [rtc, own] { return std::to_string(rtc->attach_context(own)); }},
      {"get_participating_contexts", "value",
       [rtc] {
         return count(RTC::ExecutionContextList_var(rtc->get_participating_contexts())->length());
       }},
      {"detach_context", code(RTC::RTC_OK), [rtc] { return code(rtc->detach_context(1000)); }},
      {"detach_context again", code(RTC::BAD_PARAMETER),
       [rtc] { return code(rtc->detach_context(1000)); }},
      {"detach_context own", code(RTC::BAD_PARAMETER),
       [rtc] { return code(rtc->detach_context(0)); }},
      {"finalize", code(RTC::PRECONDITION_NOT_MET), [rtc] { return code(rtc->finalize()); }},
      {"on_startup", code(RTC::RTC_OK), [flow] { return code(flow->on_startup(0)); }},
      {"on_shutdown", code(RTC::RTC_OK), [flow] { return code(flow->on_shutdown(0)); }},
      {"on_execute", code(RTC::RTC_OK), [flow] { return code(flow->on_execute(0)); }},
      {"on_state_update", code(RTC::RTC_OK), [flow] { return code(flow->on_state_update(0)); }},
      {"on_rate_changed", code(RTC::RTC_OK), [flow] { return code(flow->on_rate_changed(0)); }},
      {"on_reset", code(RTC::RTC_OK), [flow] { return code(flow->on_reset(0)); }},
    };
  }

  std::string answerOf(const SurfaceCall& call)
  {
    try
      {
        return call.call();
      }
    catch (const CORBA::Exception& e)
      {
        return e._name();
      }
  }

  std::vector<std::string> surfaceState(RTC::RTObject_ptr component,
                                        RTC::ExecutionContext_ptr context)
  {
    std::vector<std::string> state;
    state.push_back("state " + std::to_string(context->get_component_state(component)));
    state.push_back("running " + yes(context->is_running()));
    state.push_back("rate " + std::to_string(static_cast<int>(context->get_rate())));
    RTC::ExecutionContextList_var participating = component->get_participating_contexts();
    state.push_back("participating " + count(participating->length()));
    SDOPackage::Configuration_var conf = component->get_configuration();
    SDOPackage::ConfigurationSetList_var sets = conf->get_configuration_sets();
    std::string ids = "sets";
    for (CORBA::ULong i = 0; i < sets->length(); ++i) { ids += std::string(" ") + sets[i].id.in(); }
    state.push_back(ids);
    try
      {
        SDOPackage::ConfigurationSet_var active = conf->get_active_configuration_set();
        state.push_back(std::string("active ") + active->id.in());
      }
    catch (const CORBA::Exception& e)
      {
        state.push_back(std::string("active ") + e._name());
      }
    return state;
  }
}
