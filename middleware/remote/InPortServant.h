// The remote face of an in port: for each push connection it makes a buffer and an InPortCdr
// object that writers put values into, and publishes that object in the connector profile; for
// each pull connection it subscribes to the OutPortCdr object the out port published.
#ifndef RTM_REMOTE_INPORTSERVANT_H
#define RTM_REMOTE_INPORTSERVANT_H

#include <rtm/InPortBase.h>

#include "PortServant.h"

namespace RTC
{
  class InPortServant : public PortServant
  {
  public:
    InPortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const std::string& instanceName,
                  InPortBase& port, const std::shared_ptr<ServantLifetime>& lifetime);

    bool isOut() const override { return false; }
    // Drops connections whose writer is gone or no longer lists them, with one warning each.
    void dropAbandonedConnections() override;

  private:
    RTC::ReturnCode_t join(RTC::ConnectorProfile& profile, const Agreement& agreement, long index,
                           Connection& connection) override;
    void releaseEnd(Connection& connection) override;
    void fillStatus(RTC::ConnectorProfile& profile, const Connection& connection) override;
    // Forgets connections whose buffer has closed (the port went).
    void pruneLocked() override;
    // The buffer and the InPortCdr object, published in the profile.
    void publish(RTC::ConnectorProfile& profile, const Agreement& agreement,
                 Connection& connection);
    // Pull: the writer's OutPortCdr object, as the source of the connection's values.
    bool subscribe(const RTC::ConnectorProfile& profile, const Agreement& agreement,
                   Connection& connection, std::string& problem);

    InPortBase& m_port;
  };
}

#endif
