// All that rtctl may use of the middleware's own parts, in one place: the naming helpers, the
// one way to connect two ports, name-value lists, the in port it serves for echo and hz with
// its lifetime, the names of the observers' status kinds, the middleware's log and signal handling, and the conversion of time-outs for
// omniORB. rtctl includes this instead of the private headers of src/ and remote/; the
// connector rules (rules/) and the ORB options (orb/) are layers of their own, shared as they
// are.
#ifndef RTM_REMOTE_RTCTLSURFACE_H
#define RTM_REMOTE_RTCTLSURFACE_H

#include "ComponentResolver.h"
#include "ConnectPorts.h"
#include "Log.h"
#include "NameValues.h"
#include "NamingClient.h"
#include "NamingPath.h"
#include "InPortServant.h"
#include "ObserverReference.h"
#include "ServantLifetime.h"
#include "ShutdownSignal.h"
#include "TimeOuts.h"

#endif
