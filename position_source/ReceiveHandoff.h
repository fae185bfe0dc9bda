// Process-wide state the InKorvane component shares with its receive worker: the one client of
// the position server, and the hand-off of one reply at a time.
//
// Ordering of the hand-off, which makes it safe without a lock:
//  - the worker stores the reply in `receivedText`, then sets `dataReady` to 1 (release);
//  - onExecute reads `receivedText` only after it has seen `dataReady` at 1 (acquire);
//  - the worker ends right after setting the flag, and the next worker starts only after
//    onExecute has finished with the text and cleared the flag.
#ifndef POSITION_SOURCE_RECEIVEHANDOFF_H
#define POSITION_SOURCE_RECEIVEHANDOFF_H

#include "PositionServerClient.h"

#include <atomic>
#include <string>

// Constructed before main in this order (client first) and destroyed after it in reverse.
extern PositionServerClient positionServerClient;
extern std::string receivedText;
extern std::atomic<unsigned char> dataReady;

// Body of the one-shot receive worker: waits for one reply and hands it over.
void receiveWorker();

#endif
