#include "RemoteLayer.h"

namespace RTC
{
  std::unique_ptr<RemoteLayer> createRemoteLayer(ManagerImpl&, CORBA::ORB_ptr, std::string&)
  {
    return nullptr;
  }
}
