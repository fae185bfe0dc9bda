#include "OutPortCdrServant.h"

#include <algorithm>

namespace RTC
{
  OutPortCdrServant::OutPortCdrServant(const std::shared_ptr<PullConnector>& connector,
                                       const std::shared_ptr<ServantLifetime>& lifetime)
    : m_connector(connector), m_lifetime(lifetime)
  {
  }

  OpenRTM::PortStatus OutPortCdrServant::get(OpenRTM::CdrData_out data)
  {
    ServantLifetime::Use use(*m_lifetime);
    data = new OpenRTM::CdrData;
    EncodedValue value;
    switch (m_connector->take(value))
      {
      case PullConnector::Taken::Value: break;
      case PullConnector::Taken::Empty: return OpenRTM::BUFFER_EMPTY;
      case PullConnector::Taken::Closed: throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO);
      }
    data->length(static_cast<CORBA::ULong>(value.size()));
    std::copy(value.begin(), value.end(), data->get_buffer());
    return OpenRTM::PORT_OK;
  }
}
