#include "StopSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace
{
  int g_pipe[2] = {-1, -1};

  extern "C" void onStopSignal(int)
  {
    const int saved = errno;
    const char byte = 'S';
    (void)!::write(g_pipe[1], &byte, 1);   // a full pipe already says "stop"
    errno = saved;
  }
}   // namespace

bool StopSignal::install(std::string& error)
{
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
      error = std::string("cannot create the stop pipe: ") + std::strerror(errno);
      return false;
    }
  struct sigaction action
  {
  };
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0)
    {
      error = std::string("cannot handle SIGINT and SIGTERM: ") + std::strerror(errno);
      return false;
    }
  return true;
}

int StopSignal::fd() const
{
  return g_pipe[0];
}
