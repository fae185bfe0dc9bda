// One naming service, reached through its corbaloc address: binds, unbinds and resolves names.
// Every call may throw CORBA::SystemException (TRANSIENT, COMM_FAILURE, ...) when the naming
// service does not answer, and the CosNaming exceptions of resolve(). Not thread-safe: each
// user keeps its own or locks.
#ifndef RTM_REMOTE_NAMINGCLIENT_H
#define RTM_REMOTE_NAMINGCLIENT_H

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>

namespace RTC
{
  class NamingClient
  {
  public:
    // `server` is "host" or "host:port".
    NamingClient(CORBA::ORB_ptr orb, const std::string& server);

    const std::string& server() const { return m_server; }

    // The root context; contacts the naming service on first use. Throws CORBA::TRANSIENT
    // also when something answers at that address that is not a naming service.
    CosNaming::NamingContext_ptr root();
    // After a failure: the next call looks the naming service up again.
    void forget();

    // Binds `object`, creating missing contexts on the way; an existing binding is replaced.
    void bind(const CosNaming::Name& name, CORBA::Object_ptr object);
    // Unbinds `name` when it is bound to `object` (not to something another process bound).
    bool unbindIfBoundTo(const CosNaming::Name& name, CORBA::Object_ptr object);
    CORBA::Object_ptr resolve(const CosNaming::Name& name);

  private:
    CORBA::ORB_var m_orb;
    std::string m_server;
    CosNaming::NamingContext_var m_root;
  };
}

#endif
