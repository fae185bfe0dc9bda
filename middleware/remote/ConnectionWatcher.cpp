#include "ConnectionWatcher.h"

#include "PeerPort.h"

#include <omniORB4/minorCode.h>

namespace RTC
{
  ConnectionWatcher::Answer ConnectionWatcher::askWriters(const RTC::ConnectorProfile& profile,
                                                          RTC::PortService_ptr self)
  {
    const std::string id = profile.connector_id.in();
    Answer answer;
    for (CORBA::ULong i = 0; i < profile.ports.length() && !answer.gone; ++i)
      {
        if (samePort(profile.ports[i].in(), self)) { continue; }
        try
          {
            RTC::PortService_var writer = peerPort(profile.ports[i].in(), TimeOuts::kDataCall);
            RTC::ConnectorProfileList_var list = writer->get_connector_profiles();
            answer.asked = true;
            for (CORBA::ULong j = 0; j < list->length() && !answer.listed; ++j)
              {
                answer.listed = id == list[j].connector_id.in();
              }
          }
        catch (const CORBA::TIMEOUT&)
          {
            // Busy or hung: its own time-out on putting decides.
          }
        catch (const CORBA::TRANSIENT& e)
          {
            answer.gone = e.minor() != omni::TRANSIENT_CallTimedout;
          }
        catch (const CORBA::SystemException&)
          {
            answer.gone = true;   // COMM_FAILURE, OBJECT_NOT_EXIST: the writer is gone
          }
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
