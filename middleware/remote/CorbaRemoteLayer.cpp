#include "CorbaRemoteLayer.h"

#include <rtm/RTObject.h>

#include "CallTimeouts.h"
#include "ComponentCore.h"
#include "ComponentResolver.h"
#include "Log.h"
#include "ManagerImpl.h"
#include "NamingPath.h"
#include "ProfileConversion.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace RTC
{
  namespace
  {
    // How long preconnect and preactivation wait for a component of another process to appear.
    const std::chrono::seconds g_peerPatience(10);

    bool isNo(const std::string& value)
    {
      return value == "NO" || value == "no" || value == "No";
    }

    std::string makeProcessToken()
    {
      std::random_device device;
      char salt[32];
      std::snprintf(salt, sizeof(salt), "%08x%08x", device(), device());
      return localHostName() + "/" + std::to_string(::getpid()) + "/" + salt;
    }

    std::chrono::milliseconds updateInterval(const coil::Properties& config)
    {
      double seconds =
        std::strtod(config.getProperty("naming.update.interval", "3").c_str(), nullptr);
      if (!(seconds >= 0.1)) { seconds = 3.0; }
      return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    }
  }

  CorbaRemoteLayer::CorbaRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb)
    : m_manager(manager), m_orb(CORBA::ORB::_duplicate(orb)), m_processToken(makeProcessToken()),
      m_watchInterval(updateInterval(manager.config()))
  {
    CORBA::Object_var object = m_orb->resolve_initial_references("RootPOA");
    m_poa = PortableServer::POA::_narrow(object);
    PortableServer::POAManager_var poaManager = m_poa->the_POAManager();
    poaManager->activate();

    const coil::Properties& config = manager.config();
    if (!isNo(config.getProperty("naming.enable", "YES")))
      {
        m_formats = splitList(config.getProperty("naming.formats", "%h.host_cxt/%n.rtc"), ',');
        std::vector<std::string> servers =
          splitList(config.getProperty("corba.nameservers", "localhost"), ',');
        if (!m_formats.empty() && !servers.empty())
          {
            m_registrar.reset(new NameRegistrar(m_orb.in(), servers, m_watchInterval));
          }
      }
    m_watcher = std::thread(&CorbaRemoteLayer::watchConnections, this);
  }

  void CorbaRemoteLayer::watchConnections()
  {
    std::unique_lock<std::mutex> lock(m_watchMutex);
    while (!m_watchStopping)
      {
        m_watchWake.wait_for(lock, m_watchInterval, [this] { return m_watchStopping; });
        if (m_watchStopping) { break; }
        lock.unlock();
        {
          // Under the list lock rather than on Servant_var copies (see m_mutex); holding it
          // only delays componentAdded and componentRemoved.
          std::lock_guard<std::mutex> listLock(m_mutex);
          for (auto& entry : m_servants) { entry.second->dropAbandonedConnections(); }
        }
        lock.lock();
      }
  }

  CorbaRemoteLayer::~CorbaRemoteLayer()
  {
    shutdown();
  }

  std::vector<std::string> CorbaRemoteLayer::namingPaths(RTObject_impl& component) const
  {
    NamingFields fields;
    fields.instanceName = component.core().instanceName();
    fields.typeName = component.core().typeName();
    fields.category = component.core().category();
    fields.hostName = localHostName();
    fields.processId = std::to_string(::getpid());
    std::vector<std::string> paths;
    for (const std::string& format : m_formats)
      {
        paths.push_back(expandNamingFormat(format, fields));
      }
    return paths;
  }

  void CorbaRemoteLayer::componentAdded(RTObject_impl& component)
  {
    const std::string name = component.core().instanceName();
    RTCRemote::ComponentControl_var reference;
    {
      // Servants are counted, made and released only under m_mutex (see the header).
      std::lock_guard<std::mutex> lock(m_mutex);
      PortableServer::Servant_var<ComponentServant>& servant = m_servants[name];
      servant = new ComponentServant(*this, component);
      try
        {
          servant->serve(m_poa.in());
        }
      catch (const CORBA::Exception& e)
        {
          Log::error("component " + name + " cannot be reached from other processes: " + e._name());
          m_servants.erase(name);
          return;
        }
      reference = servant->reference();
    }
    if (m_registrar)
      {
        for (const std::string& path : namingPaths(component))
          {
            m_registrar->add(name, path, reference.in());
          }
      }
  }

  void CorbaRemoteLayer::componentRemoved(RTObject_impl& component)
  {
    const std::string name = component.core().instanceName();
    ComponentServant* servant = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto found = m_servants.find(name);
      if (found == m_servants.end()) { return; }
      servant = found->second.in();
    }
    if (m_registrar) { m_registrar->remove(name); }
    // The list keeps it alive meanwhile; nobody else removes it.
    servant->retire(m_poa.in());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_servants.erase(name);
  }

  RTCRemote::ComponentControl_ptr CorbaRemoteLayer::reference(const ComponentAddress& address,
                                                              std::string& error)
  {
    if (!address.remote)
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_servants.find(address.path);
        if (found != m_servants.end()) { return found->second->reference(); }
        error = "no component named '" + address.path + "' in this process";
        return RTCRemote::ComponentControl::_nil();
      }
    RTCRemote::ComponentControl_var component =
      resolveComponent(m_orb.in(), address.nameServer, address.path, g_peerPatience, error);
    CallTimeouts::apply(component.in(), CallTimeouts::control);
    return component._retn();
  }

  bool CorbaRemoteLayer::connect(const PortAddress& first, const PortAddress& second,
                                 const coil::Properties& properties, std::string& error)
  {
    RTCRemote::ComponentControl_var a = reference(first.component, error);
    if (CORBA::is_nil(a)) { return false; }
    RTCRemote::ComponentControl_var b = reference(second.component, error);
    if (CORBA::is_nil(b)) { return false; }
    try
      {
        RTCRemote::ConnectionSettings_var made =
          a->connect(first.port.c_str(), b.in(), second.port.c_str(), toRemote(properties));
        Log::info("connected " + std::string(made->outPort.in()) + " to " + made->inPort.in() +
                  " (" + made->name.in() + ")");
        return true;
      }
    catch (const RTCRemote::ControlError& e)
      {
        error = e.reason.in();
      }
    catch (const CORBA::SystemException& e)
      {
        error = first.component.text() + " does not answer (" + e._name() + ")";
      }
    return false;
  }

  bool CorbaRemoteLayer::activate(const ComponentAddress& address, std::string& error)
  {
    RTCRemote::ComponentControl_var component = reference(address, error);
    if (CORBA::is_nil(component)) { return false; }
    try
      {
        component->activate();
        return true;
      }
    catch (const RTCRemote::ControlError& e)
      {
        error = e.reason.in();
      }
    catch (const CORBA::SystemException& e)
      {
        error = address.text() + " does not answer (" + e._name() + ")";
      }
    return false;
  }

  void CorbaRemoteLayer::requestExit(const std::string& instanceName)
  {
    std::lock_guard<std::mutex> lock(m_exitMutex);
    if (m_exitsClosed) { return; }   // the manager is shutting down and finalises it anyway
    m_exits.emplace_back([this, instanceName] { m_manager.exitComponent(instanceName); });
  }

  void CorbaRemoteLayer::closeInProcess(const std::string& connectionId)
  {
    for (RTObject_impl* component : m_manager.components())
      {
        for (OutPortBase* port : component->core().outPorts())
          {
            port->removeConnector(connectionId);
          }
        for (InPortBase* port : component->core().inPorts())
          {
            port->removeConnection(connectionId);
          }
      }
  }

  void CorbaRemoteLayer::shutdown()
  {
    std::vector<std::thread> exits;
    {
      std::lock_guard<std::mutex> lock(m_exitMutex);
      m_exitsClosed = true;
      exits.swap(m_exits);
    }
    for (std::thread& exit : exits) { exit.join(); }
    {
      std::lock_guard<std::mutex> lock(m_watchMutex);
      m_watchStopping = true;
    }
    m_watchWake.notify_all();
    if (m_watcher.joinable()) { m_watcher.join(); }
    if (m_registrar) { m_registrar->stop(); }
  }

  std::unique_ptr<RemoteLayer> createRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb)
  {
    try
      {
        return std::unique_ptr<RemoteLayer>(new CorbaRemoteLayer(manager, orb));
      }
    catch (const CORBA::Exception& e)
      {
        // Without its endpoint no other process could reach this one: better to stop here.
        std::fprintf(stderr,
                     "rtm: cannot serve remote calls (%s); is the corba.endpoint port in use?\n",
                     e._name());
        std::exit(1);
      }
  }
}
