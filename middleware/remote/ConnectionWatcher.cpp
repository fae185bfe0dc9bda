#include "ConnectionWatcher.h"

#include "PeerPort.h"

#include <omniORB4/minorCode.h>

namespace RTC
{
  namespace
  {
    enum class Reply
    {
      Answered,
      Busy,     // timed out: its own time-out on putting decides
      Broken,   // the link failed: worth one more try
      Gone      // the port itself no longer exists
    };

    Reply askOnce(RTC::PortService_ptr port, const std::string& id, bool& listed)
    {
      try
        {
          RTC::PortService_var writer = peerPort(port, TimeOuts::kDataCall);
          RTC::ConnectorProfileList_var list = writer->get_connector_profiles();
          for (CORBA::ULong j = 0; j < list->length() && !listed; ++j)
            {
              listed = id == list[j].connector_id.in();
            }
          return Reply::Answered;
        }
      catch (const CORBA::TIMEOUT&)
        {
          return Reply::Busy;
        }
      catch (const CORBA::TRANSIENT& e)
        {
          return e.minor() == omni::TRANSIENT_CallTimedout ? Reply::Busy : Reply::Broken;
        }
      catch (const CORBA::OBJECT_NOT_EXIST&)
        {
          return Reply::Gone;
        }
      catch (const CORBA::SystemException&)
        {
          return Reply::Broken;   // COMM_FAILURE and the like
        }
    }
  }

  ConnectionWatcher::Answer ConnectionWatcher::askWriters(const RTC::ConnectorProfile& profile,
                                                          RTC::PortService_ptr self)
  {
    const std::string id = profile.connector_id.in();
    Answer answer;
    for (CORBA::ULong i = 0; i < profile.ports.length() && !answer.gone; ++i)
      {
        if (samePort(profile.ports[i].in(), self)) { continue; }
        Reply reply = askOnce(profile.ports[i].in(), id, answer.listed);
        // A writer's ORB may have closed the idle link just as we called (-ORBinConScanPeriod).
        // omniORB has then marked that link dead, so the second call opens a new one: only a
        // writer that fails on a fresh link too is gone.
        if (reply == Reply::Broken) { reply = askOnce(profile.ports[i].in(), id, answer.listed); }
        answer.asked = answer.asked || reply == Reply::Answered;
        answer.gone = reply == Reply::Broken || reply == Reply::Gone;
      }
    return answer;
  }

  bool ConnectionWatcher::abandoned(const Answer& answer, unsigned& misses)
  {
    if (answer.gone) { return true; }
    if (!answer.asked || answer.listed)
      {
        misses = 0;
        return false;
      }
    return ++misses >= 2;
  }
}
