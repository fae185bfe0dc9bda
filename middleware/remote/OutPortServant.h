// The remote face of an out port: for each push connection it subscribes to the InPortCdr object
// the in port published, through the connector that suits the reader (in this process, CDR
// calls, or a publisher thread for subscription_type new); for each pull connection it
// publishes an OutPortCdr object that hands the reader the queued values.
#ifndef RTM_REMOTE_OUTPORTSERVANT_H
#define RTM_REMOTE_OUTPORTSERVANT_H

#include <rtm/OutPortBase.h>

#include "PortServant.h"

namespace RTC
{
  class OutPortServant : public PortServant
  {
  public:
    OutPortServant(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const std::string& instanceName,
                   OutPortBase& port, const std::shared_ptr<ServantLifetime>& lifetime);

    bool isOut() const override { return true; }
    // Tells the peers of connections dropped since (a reader that hung may come back).
    void dropAbandonedConnections() override;

  private:
    struct Untold
    {
      RTC::ConnectorProfile profile;
      unsigned attempts;
    };

    RTC::ReturnCode_t join(RTC::ConnectorProfile& profile, const Agreement& agreement, long index,
                           Connection& connection) override;
    void stopWriting(const std::string& connectorId) override;
    void fillStatus(RTC::ConnectorProfile& profile, const Connection& connection) override;
    void releaseEnd(Connection& connection) override;
    // Pull: the queue and the OutPortCdr object, published in the profile.
    void publish(RTC::ConnectorProfile& profile, const Agreement& agreement,
                 Connection& connection);
    // Connections the out port dropped by itself (their reader went) move to m_untold.
    void pruneLocked() override;
    // The connector to the published sink.
    bool subscribe(const RTC::ConnectorProfile& profile, const Agreement& agreement,
                   std::string& problem);

    OutPortBase& m_port;
    std::vector<Untold> m_untold;   // dropped connections whose peers were not told; m_mutex
  };
}

#endif
