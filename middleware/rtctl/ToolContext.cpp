#include "ToolContext.h"

#include "OrbArguments.h"
#include "RtctlSurface.h"
#include "ToolError.h"

#include <OpenRtmInterfaces.hh>

#include <algorithm>
#include <cstdlib>
#include <omniORB4/minorCode.h>

namespace rtctl
{
  namespace
  {
    CORBA::ORB_ptr initClientOrb()
    {
      // Every call is bounded (TimeOuts::kToolCall), calls that wait for a component's
      // callbacks get their own, longer bound. The endpoint is opened only once a command
      // serves objects (echo, hz); like a manager's, on loopback by default.
      const char* endpoint = std::getenv("RTCTL_ENDPOINT");
      RTC::OrbOptions options;
      options.program = "rtctl";
      options.endpoint = RTC::orbEndpoint(endpoint != nullptr ? endpoint : "");
      options.callTimeout = TimeOuts::kToolCall;
      options.connectTimeout = TimeOuts::kToolConnect;
      // One dispatch at a time per connection: oneway notifications (watch) and values (echo)
      // are handled in the order they were sent.
      options.extra = "-ORBmaxServerThreadPerConnection 1";
      RTC::ArgumentVector arguments = RTC::orbArguments(options);
      return CORBA::ORB_init(arguments.argc(), arguments.argv());
    }

    bool timedOut(const CORBA::SystemException& e)
    {
      return dynamic_cast<const CORBA::TIMEOUT*>(&e) != nullptr ||
             (dynamic_cast<const CORBA::TRANSIENT*>(&e) != nullptr &&
              e.minor() == omni::TRANSIENT_CallTimedout);
    }
  }

  std::string secondsText(CORBA::ULong milliseconds)
  {
    std::string text = std::to_string(milliseconds / 1000);
    if (milliseconds % 1000 >= 100) { text += "." + std::to_string((milliseconds % 1000) / 100); }
    return text;
  }

  ToolContext::ToolContext(const std::string& nameServer)
    : m_nameServer(nameServer), m_orb(initClientOrb()),
      m_naming(new RTC::NamingClient(m_orb.in(), nameServer))
  {
  }

  PortableServer::POA_ptr ToolContext::servingPoa()
  {
    if (CORBA::is_nil(m_poa))
      {
        try
          {
            CORBA::Object_var object = m_orb->resolve_initial_references("RootPOA");
            PortableServer::POA_var poa = PortableServer::POA::_narrow(object);
            PortableServer::POAManager_var manager = poa->the_POAManager();
            manager->activate();
            m_poa = poa._retn();
          }
        catch (const CORBA::Exception& e)
          {
            const char* endpoint = std::getenv("RTCTL_ENDPOINT");
            throw ToolError("cannot accept calls on " +
                            RTC::orbEndpoint(endpoint != nullptr ? endpoint : "") + " (" +
                            e._name() + "; see RTCTL_ENDPOINT)");
          }
      }
    return m_poa.in();
  }

  ToolContext::~ToolContext()
  {
    m_naming.reset();
    m_poa = PortableServer::POA::_nil();
    try
      {
        m_orb->destroy();
      }
    catch (const CORBA::Exception&)
      {
        // Leaving anyway.
      }
  }

  std::string ToolContext::describe(const std::string& name, const CORBA::SystemException& e,
                                    CORBA::ULong timeoutMs)
  {
    if (timedOut(e)) { return name + " did not answer within " + secondsText(timeoutMs) + " s"; }
    if (dynamic_cast<const CORBA::OBJECT_NOT_EXIST*>(&e) != nullptr)
      {
        return name + " no longer exists";
      }
    return name + " does not answer (" + e._name() + ")";
  }

  std::string ToolContext::unreachable(const CORBA::SystemException& e) const
  {
    return "the naming service at " + m_nameServer + " does not answer (" + e._name() + ")";
  }

  RTC::RTObject_ptr ToolContext::resolvePath(const std::string& path)
  {
    CORBA::Object_var object;
    try
      {
        object = m_naming->resolve(RTC::toNamingName(path));
      }
    catch (const CosNaming::NamingContext::NotFound&)
      {
        return RTC::RTObject::_nil();
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(unreachable(e));
      }
    catch (const CORBA::Exception& e)
      {
        throw ToolError("cannot look up " + path + " (" + e._name() + ")");
      }
    RTC::RTObject_var component;
    try
      {
        // OpenRTM-aist's components and ours present this type: known here, it takes no call.
        // Other types are asked whether they are components.
        OpenRTM::DataFlowComponent_var dataFlow = OpenRTM::DataFlowComponent::_narrow(object);
        component = CORBA::is_nil(dataFlow) ? RTC::RTObject::_narrow(object)
                                            : RTC::RTObject::_duplicate(dataFlow.in());
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(describe(path, e, TimeOuts::inMs(TimeOuts::kToolCall)));
      }
    if (CORBA::is_nil(component)) { throw ToolError(path + " is not a component"); }
    return component._retn();
  }

  RTC::RTObject_ptr ToolContext::find(const std::string& name)
  {
    std::vector<std::string> candidates;
    if (name.find('/') != std::string::npos || RTC::componentPath(name) == name)
      {
        candidates.push_back(RTC::componentPath(name));
      }
    else
      {
        candidates.push_back(RTC::localHostName() + ".host_cxt/" + name + ".rtc");
        candidates.push_back(name + ".rtc");
      }
    for (const std::string& path : candidates)
      {
        RTC::RTObject_var component = resolvePath(path);
        if (!CORBA::is_nil(component)) { return component._retn(); }
      }
    std::string message = "no component '" + name + "' at the naming service at " + m_nameServer;
    if (candidates.size() > 1)
      {
        message += " (looked for " + candidates[0] + " and " + candidates[1] + ")";
      }
    throw ToolError(message);
  }

  void ToolContext::collect(CosNaming::NamingContext_ptr context, const std::string& prefix,
                            int depth, std::vector<std::string>& paths)
  {
    CosNaming::BindingList_var bindings;
    CosNaming::BindingIterator_var rest;
    context->list(1000, bindings, rest);
    std::vector<CosNaming::Binding> all;
    for (CORBA::ULong i = 0; i < bindings->length(); ++i) { all.push_back(bindings[i]); }
    if (!CORBA::is_nil(rest))
      {
        CosNaming::Binding_var more;
        while (rest->next_one(more)) { all.push_back(more.in()); }
        rest->destroy();
      }
    for (const CosNaming::Binding& binding : all)
      {
        const std::string path = prefix + RTC::toPathText(binding.binding_name);
        if (binding.binding_type == CosNaming::nobject)
          {
            const CORBA::ULong last = binding.binding_name.length() - 1;
            if (std::string(binding.binding_name[last].kind.in()) == "rtc")
              {
                paths.push_back(path);
              }
            continue;
          }
        // Contexts nest only a few levels in practice; the bound keeps a cycle from looping.
        if (depth >= 8) { continue; }
        CORBA::Object_var object = context->resolve(binding.binding_name);
        CosNaming::NamingContext_var child = CosNaming::NamingContext::_narrow(object);
        if (!CORBA::is_nil(child)) { collect(child.in(), path + "/", depth + 1, paths); }
      }
  }

  std::vector<std::string> ToolContext::componentPaths()
  {
    std::vector<std::string> paths;
    try
      {
        collect(m_naming->root(), "", 0, paths);
      }
    catch (const CORBA::SystemException& e)
      {
        throw ToolError(unreachable(e));
      }
    catch (const CORBA::Exception& e)
      {
        throw ToolError("cannot list the naming service at " + m_nameServer + " (" + e._name() +
                        ")");
      }
    std::sort(paths.begin(), paths.end());
    return paths;
  }
}
