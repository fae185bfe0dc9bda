#include "CorbaRemoteLayer.h"

#include <rtm/RTObject.h>

#include "CallTimeouts.h"
#include "ComponentCore.h"
#include "ComponentResolver.h"
#include "Log.h"
#include "ManagerImpl.h"
#include "NameValues.h"
#include "NamingPath.h"
#include "ConnectPorts.h"
#include "TextUtil.h"
#include "TimeOuts.h"

#include <cstdlib>
#include <unistd.h>

namespace RTC
{
  namespace
  {
    // Whether a port of this process takes the connector properties, judged by the rules it
    // applies itself; a port of another process, or not a data port, is asked as it is.
    bool localEndTakes(const PortAddress& address, const PortToConnect& end,
                       const coil::Properties& properties, std::string& refusal)
    {
      const bool out = end.facts.portType == kOutPortType;
      if (address.component.remote || (!out && end.facts.portType != kInPortType)) { return true; }
      ConnectorTerms terms;
      return readConnectorTerms(connectorProperties(properties),
                                out ? ConnectorEnd::Writer : ConnectorEnd::Reader, terms, refusal);
    }

    std::chrono::milliseconds updateInterval(const coil::Properties& config)
    {
      const double milliseconds =
        std::strtod(config.getProperty("naming.update.interval").c_str(), nullptr) * 1000;
      // Also when it is missing or not a number.
      if (!(milliseconds >= TimeOuts::kNamingUpdateFloor.count()))
        {
          return TimeOuts::kNamingUpdate;
        }
      return std::chrono::milliseconds(static_cast<long long>(milliseconds));
    }
  }

  CorbaRemoteLayer::CorbaRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb)
    : m_manager(manager), m_orb(CORBA::ORB::_duplicate(orb)),
      m_watchInterval(updateInterval(manager.config()))
  {
    CORBA::Object_var object = m_orb->resolve_initial_references("RootPOA");
    m_poa = PortableServer::POA::_narrow(object);
    PortableServer::POAManager_var poaManager = m_poa->the_POAManager();
    poaManager->activate();

    const coil::Properties& config = manager.config();
    if (!isNo(config.getProperty("naming.enable", "YES")))
      {
        m_formats = split(config.getProperty("naming.formats", "%h.host_cxt/%n.rtc"), ',');
        std::vector<std::string> servers =
          split(config.getProperty("corba.nameservers", "localhost"), ',');
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
    fields.instanceName = coreOf(component).instanceName();
    fields.typeName = coreOf(component).typeName();
    fields.category = coreOf(component).category();
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
    const std::string name = coreOf(component).instanceName();
    OpenRTM::DataFlowComponent_var reference;
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
    const std::string name = coreOf(component).instanceName();
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

  RTC::RTObject_ptr CorbaRemoteLayer::reference(const ComponentAddress& address, std::string& error)
  {
    if (!address.remote)
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_servants.find(address.path);
        if (found != m_servants.end()) { return found->second->reference(); }
        error = "no component named '" + address.path + "' in this process";
        return RTC::RTObject::_nil();
      }
    RTC::RTObject_var component =
      resolveRtObject(m_orb.in(), address.nameServer, address.path, TimeOuts::kPeerLookup, error);
    CallTimeouts::apply(component.in(), TimeOuts::kControlCall);
    return component._retn();
  }

  bool CorbaRemoteLayer::findPort(const PortAddress& address, PortToConnect& end,
                                  std::string& error)
  {
    // Ports of this process too are found through their component's object, so that every
    // port is found by the one look-up.
    RTC::RTObject_var component = reference(address.component, error);
    if (CORBA::is_nil(component)) { return false; }
    try
      {
        return RTC::findPort(component.in(), address.component.text(), address.port,
                             TimeOuts::kPeerCall, end, error);
      }
    catch (const CORBA::SystemException& e)
      {
        error = address.component.text() + " does not answer (" + e._name() + ")";
        return false;
      }
  }

  bool CorbaRemoteLayer::connect(const PortAddress& first, const PortAddress& second,
                                 const coil::Properties& properties, std::string& error)
  {
    PortToConnect a;
    PortToConnect b;
    if (!findPort(first, a, error) || !findPort(second, b, error)) { return false; }
    // A port of this process that refuses says so itself, and so does the caller: judged here
    // first, a refusal is one line.
    if (!localEndTakes(first, a, properties, error) || !localEndTakes(second, b, properties, error))
      {
        error = cannotConnect(a.name, b.name, error);
        return false;
      }
    MadeConnector made;
    try
      {
        CallTimeouts::apply(a.reference.in(), TimeOuts::kControlCall);
        if (!connectPorts(a, b, properties, made, error)) { return false; }
      }
    catch (const CORBA::SystemException& e)
      {
        error = a.name + " does not answer (" + e._name() + ")";
        return false;
      }
    Log::info("connected " + a.name + " and " + b.name + " (" + made.id + ")");
    return true;
  }

  bool CorbaRemoteLayer::joinTopic(const PortAddress& port, const coil::Properties& properties,
                                   std::string& error)
  {
    PortToConnect end;
    if (!findPort(port, end, error)) { return false; }
    MadeConnector made;
    try
      {
        CallTimeouts::apply(end.reference.in(), TimeOuts::kControlCall);
        if (!RTC::joinTopic(end, properties, made, error)) { return false; }
      }
    catch (const CORBA::SystemException& e)
      {
        error = end.name + " does not answer (" + e._name() + ")";
        return false;
      }
    Log::info("connected " + end.name + " to its topic (" + made.id + ")");
    return true;
  }

  bool CorbaRemoteLayer::activate(const ComponentAddress& address, std::string& error)
  {
    RTC::RTObject_var component = reference(address, error);
    if (CORBA::is_nil(component)) { return false; }
    try
      {
        RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
        if (contexts->length() == 0)
          {
            error = address.text() + " has no execution context";
            return false;
          }
        RTC::ExecutionContext_var context = RTC::ExecutionContext::_duplicate(contexts[0]);
        CallTimeouts::apply(context.in(), TimeOuts::kControlCall);
        const RTC::ReturnCode_t result = context->activate_component(component.in());
        if (result == RTC::RTC_OK) { return true; }
        error = "activation of " + address.text() + " was refused (" + RTC::toString(result) + ")";
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

  std::unique_ptr<RemoteLayer> createRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb,
                                                 std::string& error)
  {
    try
      {
        return std::unique_ptr<RemoteLayer>(new CorbaRemoteLayer(manager, orb));
      }
    catch (const CORBA::Exception& e)
      {
        error = std::string("cannot serve remote calls (") + e._name() +
                "); is the corba.endpoint port in use?";
        return nullptr;
      }
  }
}
