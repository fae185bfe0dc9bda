#include "ComponentResolver.h"

#include "NamingClient.h"
#include "NamingPath.h"
#include "TimeOuts.h"

#include <thread>

namespace RTC
{
  std::string componentPath(const std::string& path)
  {
    const std::string suffix = ".rtc";
    if (path.size() >= suffix.size() &&
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
      {
        return path;
      }
    return path + suffix;
  }

  namespace
  {
    enum class Outcome
    {
      Found,
      Retry,
      Fail
    };

    template <typename Interface>
    Outcome tryResolve(NamingClient& client, const CosNaming::Name& name, const std::string& path,
                       typename Interface::_var_type& component, std::string& error)
    {
      const std::string where = " at the naming service at " + client.server();
      try
        {
          CORBA::Object_var object = client.resolve(name);
          component = Interface::_narrow(object);
          if (CORBA::is_nil(component))
            {
              error = path + where + " is not a component";
              return Outcome::Fail;
            }
        }
      catch (const CosNaming::NamingContext::NotFound&)
        {
          error = "no component registered as " + path + where;
          return Outcome::Retry;
        }
      catch (const CORBA::SystemException& e)
        {
          client.forget();
          error =
            "the naming service at " + client.server() + " does not answer (" + e._name() + ")";
          return Outcome::Retry;
        }
      catch (const CORBA::Exception& e)
        {
          error = "cannot look up " + path + where + " (" + e._name() + ")";
          return Outcome::Fail;
        }
      try
        {
          if (!component->_non_existent()) { return Outcome::Found; }
          error = path + where + " is registered but gone";
        }
      catch (const CORBA::SystemException& e)
        {
          error = path + where + " is registered but does not answer (" + e._name() + ")";
        }
      return Outcome::Retry;
    }
  }

  namespace
  {
    template <typename Interface>
    typename Interface::_ptr_type resolve(CORBA::ORB_ptr orb, const std::string& server,
                                          const std::string& path,
                                          std::chrono::milliseconds patience, std::string& error)
    {
      const std::string fullPath = componentPath(path);
      const CosNaming::Name name = toNamingName(fullPath);
      NamingClient client(orb, server);
      const auto deadline = std::chrono::steady_clock::now() + patience;
      while (true)
        {
          typename Interface::_var_type component;
          Outcome outcome = tryResolve<Interface>(client, name, fullPath, component, error);
          if (outcome == Outcome::Found) { return component._retn(); }
          if (outcome == Outcome::Fail) { break; }
          const auto now = std::chrono::steady_clock::now();
          if (now >= deadline) { break; }
          // Polling: the naming service cannot notify us of a new binding.
          std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            deadline - now, TimeOuts::kPeerLookupRetry));
        }
      return Interface::_nil();
    }
  }

  RTC::RTObject_ptr resolveRtObject(CORBA::ORB_ptr orb, const std::string& server,
                                    const std::string& path, std::chrono::milliseconds patience,
                                    std::string& error)
  {
    return resolve<RTC::RTObject>(orb, server, path, patience, error);
  }
}
