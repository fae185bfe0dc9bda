#include "ReceiveHandoff.h"

// Definition order is construction order within this file: the client before the hand-off.
PositionServerClient positionServerClient;
std::string receivedText;
std::atomic<unsigned char> dataReady(0);

void receiveWorker()
{
  std::string text = positionServerClient.receiveText();
  receivedText = text;
  dataReady.store(1, std::memory_order_release);
}
