#include "RemoteLayer.h"

namespace RTC
{
  std::unique_ptr<RemoteLayer> createRemoteLayer(ManagerImpl&, CORBA::ORB_ptr)
  {
    return nullptr;
  }
}
