// The data source of one out-port pull connection: a reader of another process (or of this
// one) asks it for one value per call and gets the oldest value it has not taken yet.
#ifndef RTM_REMOTE_OUTPORTCDRSERVANT_H
#define RTM_REMOTE_OUTPORTCDRSERVANT_H

#include <rtm/idl/DataPortCdr.hh>

#include "NoImplement.h"
#include "PullConnector.h"
#include "ServantLifetime.h"

#include <memory>

namespace RTC
{
  class OutPortCdrServant : public NoImplement<POA_OpenRTM::OutPortCdr>
  {
  public:
    OutPortCdrServant(const std::shared_ptr<PullConnector>& connector,
                      const std::shared_ptr<ServantLifetime>& lifetime);

    // PORT_OK with the value, or BUFFER_EMPTY and no bytes when every written value has been
    // taken (also before the first write), as OpenRTM-aist's out port answers an empty buffer.
    // Throws OBJECT_NOT_EXIST once the connection is closed.
    OpenRTM::PortStatus get(OpenRTM::CdrData_out data) override;

  private:
    const std::shared_ptr<PullConnector> m_connector;
    std::shared_ptr<ServantLifetime> m_lifetime;
  };
}

#endif
