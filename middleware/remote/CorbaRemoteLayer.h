// The remote layer on omniORB: each component, with its ports, execution context and
// configuration, becomes CORBA objects in the root POA as OpenRTM-aist's components are; each
// component is registered in the naming services under naming.formats; connections and
// activations use OpenRTM-aist's interfaces, so peers may be components of either middleware.
#ifndef RTM_REMOTE_CORBAREMOTELAYER_H
#define RTM_REMOTE_CORBAREMOTELAYER_H

#include "ComponentServant.h"
#include "NameRegistrar.h"
#include "ConnectPorts.h"
#include "RemoteLayer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RTC
{
  class CorbaRemoteLayer : public RemoteLayer
  {
  public:
    CorbaRemoteLayer(ManagerImpl& manager, CORBA::ORB_ptr orb);
    ~CorbaRemoteLayer() override;

    void componentAdded(RTObject_impl& component) override;
    void componentRemoved(RTObject_impl& component) override;
    bool connect(const PortAddress& first, const PortAddress& second,
                 const coil::Properties& properties, std::string& error) override;
    bool joinTopic(const PortAddress& port, const coil::Properties& properties,
                   std::string& error) override;
    bool activate(const ComponentAddress& component, std::string& error) override;
    void shutdown() override;

    // For the servants.
    ManagerImpl& manager() { return m_manager; }
    CORBA::ORB_ptr orb() { return m_orb.in(); }
    // Finalises the component on a thread of its own (the caller is an ORB call).
    void requestExit(const std::string& instanceName);

  private:
    // This process's component by instance name, or one of another process found by naming path.
    RTC::RTObject_ptr reference(const ComponentAddress& address, std::string& error);
    bool findPort(const PortAddress& address, PortToConnect& end, std::string& error);
    std::vector<std::string> namingPaths(RTObject_impl& component) const;
    // Background thread: drops reader ends of remote connections whose writer has gone.
    void watchConnections();

    ManagerImpl& m_manager;
    CORBA::ORB_var m_orb;
    PortableServer::POA_var m_poa;
    std::vector<std::string> m_formats;
    std::unique_ptr<NameRegistrar> m_registrar;   // null with naming.enable NO

    // Guards m_servants. A servant's reference count lives inside omniORB, out of
    // ThreadSanitizer's sight, so our own counting (Servant_var copies, releases) happens only
    // under this lock, which orders it between threads; the connection watcher holds it too
    // instead of copying. The POA's own count is omniORB's business.
    std::mutex m_mutex;
    std::map<std::string, PortableServer::Servant_var<ComponentServant>> m_servants;

    const std::chrono::milliseconds m_watchInterval;
    std::mutex m_watchMutex;   // guards m_watchStopping
    std::condition_variable m_watchWake;
    bool m_watchStopping = false;
    std::thread m_watcher;

    std::mutex m_exitMutex;   // guards m_exits and m_exitsClosed
    std::vector<std::thread> m_exits;
    bool m_exitsClosed = false;
  };
}

#endif
