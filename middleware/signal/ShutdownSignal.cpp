#include "ShutdownSignal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace RTC
{
  namespace
  {
    std::atomic<int> g_writeEnd(-1);

    sigset_t shutdownSignals()
    {
      sigset_t signals;
      sigemptyset(&signals);
      sigaddset(&signals, SIGINT);
      sigaddset(&signals, SIGTERM);
      return signals;
    }

    // A program started from a component must not inherit the blocked signals, nor the
    // manager's handler: a signal already pending would otherwise run it in the child before
    // exec and be lost there instead of ending the child.
    extern "C" void unblockInChild()
    {
      struct sigaction byDefault = {};
      byDefault.sa_handler = SIG_DFL;
      sigemptyset(&byDefault.sa_mask);
      ::sigaction(SIGINT, &byDefault, nullptr);
      ::sigaction(SIGTERM, &byDefault, nullptr);
      sigset_t signals = shutdownSignals();
      ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    }

    extern "C" void onShutdownSignal(int)
    {
      int saved = errno;
      const char byte = 's';
      int fd = g_writeEnd.load();
      if (fd >= 0) { (void)!::write(fd, &byte, 1); }
      errno = saved;
    }
  }

  ShutdownSignal::ShutdownSignal() : m_requested(false)
  {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) { m_pipe[0] = m_pipe[1] = -1; }
  }

  ShutdownSignal::~ShutdownSignal()
  {
    // Once installed, the pipe stays open for the rest of the process: the detached signal
    // thread and a handler may write to it at any moment, and a closed descriptor could by
    // then belong to something else.
    if (g_writeEnd.load() == m_pipe[1]) { return; }
    if (m_pipe[0] >= 0) { ::close(m_pipe[0]); }
    if (m_pipe[1] >= 0) { ::close(m_pipe[1]); }
  }

  void ShutdownSignal::install()
  {
    g_writeEnd = m_pipe[1];
    struct sigaction action = {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    // The signals are blocked here, and so in every thread started afterwards (the ORB's, the
    // execution contexts'), and taken by one thread of ours with sigwait. A handler may
    // otherwise run on any thread, and a ThreadSanitizer build defers it on a thread blocked
    // in a call it does not watch, so the request was lost. The handler stays for threads that
    // existed before and do not block them.
    const sigset_t signals = shutdownSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::pthread_atfork(nullptr, nullptr, unblockInChild);
    // Detached: it lives as long as the process, like the manager that owns this object.
    std::thread([signals] {
      int received = 0;
      while (::sigwait(&signals, &received) == 0) { onShutdownSignal(received); }
    }).detach();
  }

  void ShutdownSignal::request()
  {
    const char byte = 'r';
    m_requested.store(true, std::memory_order_release);
    if (m_pipe[1] >= 0) { (void)!::write(m_pipe[1], &byte, 1); }
  }

  void ShutdownSignal::wait()
  {
    while (!requested())
      {
        struct pollfd entry = {m_pipe[0], POLLIN, 0};
        int ready = ::poll(&entry, 1, -1);
        if (ready < 0 && errno != EINTR) { return; }
      }
  }

  bool ShutdownSignal::requested()
  {
    if (m_requested.load(std::memory_order_acquire)) { return true; }
    // The pipe is never drained: once requested, it stays requested.
    struct pollfd entry = {m_pipe[0], POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
  }
}
