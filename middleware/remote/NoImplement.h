// Servant base that answers operations of the interface we do not offer with NO_IMPLEMENT,
// as OpenRTM-aist's peers expect, instead of omniORB's BAD_OPERATION. Our IDL leaves those
// operations out, so the skeleton does not know them.
#ifndef RTM_REMOTE_NOIMPLEMENT_H
#define RTM_REMOTE_NOIMPLEMENT_H

#include <omniORB4/CORBA.h>
#include <omniORB4/callHandle.h>

namespace RTC
{
  template <typename Skeleton> class NoImplement : public Skeleton
  {
  public:
    CORBA::Boolean _dispatch(omniCallHandle& handle) override
    {
      // The skeleton's operations, then the standard ones (_is_a, _non_existent, ...).
      if (Skeleton::_dispatch(handle) || omniServant::_dispatch(handle)) { return true; }
      throw CORBA::NO_IMPLEMENT(0, CORBA::COMPLETED_NO);
    }
  };

  // For declared operations that we do not offer.
  [[noreturn]] inline void notOffered()
  {
    throw CORBA::NO_IMPLEMENT(0, CORBA::COMPLETED_NO);
  }
}

#endif
