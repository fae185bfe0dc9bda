#ifndef POSITION_SOURCE_POSITIONSERVERCLIENT_H
#define POSITION_SOURCE_POSITIONSERVERCLIENT_H

#include <netinet/in.h>

#include <atomic>
#include <iostream>
#include <mutex>
#include <string>

// The link to the position server: one TCP connection, the "HELLO" greeting, then one reply per
// request. Every wait has a bound (3 s for the greeting, 5 s for a reply), and every failure is one
// console line plus a false or empty result; nothing is thrown.
//
// Two threads use one client at once: the receive worker blocks in receiveText() while the
// execution thread calls sendText(). connectServer() and disconnect() run only while no worker
// exists.
class PositionServerClient
{
public:
  // Console lines go to `console`, each flushed as soon as it is written.
  explicit PositionServerClient(std::ostream& console = std::cout);
  ~PositionServerClient();

  PositionServerClient(const PositionServerClient&) = delete;
  PositionServerClient& operator=(const PositionServerClient&) = delete;

  // Connects to a dotted IPv4 address (no name lookup) and waits up to 3 s for a first segment
  // that begins with "HELLO". True only when both succeed. Closes a previous socket still open.
  bool connectServer(std::string address, unsigned short port);

  // Sends the bytes as they are, in one send; a failure is silent. Always true.
  bool sendText(std::string text);

  // Blocks up to 5 s for one reply and returns what one receive gives (at most 8191 bytes), up to
  // its first zero byte. Empty on expiry, on error and when the peer has closed; the last two
  // also close the socket.
  std::string receiveText();

  // Closes the socket if one is open, then pauses the caller for 3 s.
  void disconnect();

private:
  bool waitForData(int handle, int timeoutMs);
  bool receiveOnce(int handle, char* buffer);
  int currentSocket();
  int replaceSocket(int handle);
  void closeSocket();

  std::ostream& m_console;
  sockaddr_in m_serverAddress;

  // The handle of the open socket, or -1 once it is closed, so a closed descriptor number (soon
  // reused by somebody else) is never waited on, sent on or closed again. The mutex makes closing
  // and sending exclusive; waits and receives use a copy, as only the receiving thread itself or
  // connectServer/disconnect (never concurrent with it) close the socket. The copy is read without
  // the mutex: a fresh worker would otherwise block on it while the request it waits for is sent.
  std::mutex m_socketMutex;
  std::atomic<int> m_socket;
};

#endif
