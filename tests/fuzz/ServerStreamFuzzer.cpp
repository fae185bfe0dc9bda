// Plays a position server that sends arbitrary bytes, in arbitrary segments, to a real
// PositionServerClient over loopback: greeting, replies, early close. The client must never
// crash, hang beyond its bounded waits, or return more than one receive's worth of bytes.
//
// Input layout: repeated [segment length byte][segment bytes]; after the last segment the
// server closes, so every wait in the client ends quickly.
#include "PositionServerClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
  int listener(unsigned short& port)
  {
    static int fd = -1;
    static unsigned short boundPort = 0;
    if (fd < 0)
      {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
          {
            std::abort();
          }
        boundPort = ntohs(address.sin_port);
      }
    port = boundPort;
    return fd;
  }

  std::vector<std::string> segments(const uint8_t* data, size_t size)
  {
    std::vector<std::string> result;
    size_t at = 0;
    while (at < size)
      {
        size_t length = data[at++];
        // A length of 255 stands for a large segment, so oversized replies are reached too.
        if (length == 255) { length = 9000; }
        std::string segment;
        while (segment.size() < length && at < size)
          {
            segment.push_back(static_cast<char>(data[at++]));
          }
        if (length == 9000) { segment.resize(9000, 'x'); }
        result.push_back(segment);
      }
    return result;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  unsigned short port = 0;
  const int listenFd = listener(port);
  const std::vector<std::string> toSend = segments(data, size);

  std::thread server([listenFd, &toSend] {
    int session = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (session < 0) { return; }
    for (const std::string& segment : toSend)
      {
        if (::send(session, segment.data(), segment.size(), MSG_NOSIGNAL) < 0) { break; }
        // Separate segments arrive as separate receives on loopback often enough to matter.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    ::shutdown(session, SHUT_RDWR);
    ::close(session);
  });

  std::ostringstream console;
  PositionServerClient client(console);
  client.connectServer("127.0.0.1", port);
  for (size_t i = 0; i <= toSend.size(); ++i)
    {
      client.sendText("\n");
      std::string reply = client.receiveText();
      if (reply.size() > 8191 || reply.find('\0') != std::string::npos) { __builtin_trap(); }
    }
  server.join();
  return 0;
}
