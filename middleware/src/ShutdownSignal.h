// Turns SIGINT and SIGTERM into a shutdown request the manager waits for. The signal handler
// only writes one byte to a pipe; everything else happens on the manager's thread.
#ifndef RTM_SRC_SHUTDOWNSIGNAL_H
#define RTM_SRC_SHUTDOWNSIGNAL_H

#include <atomic>

namespace RTC
{
  class ShutdownSignal
  {
  public:
    ShutdownSignal();
    ~ShutdownSignal();
    ShutdownSignal(const ShutdownSignal&) = delete;
    ShutdownSignal& operator=(const ShutdownSignal&) = delete;

    // Installs the handlers for SIGINT and SIGTERM.
    void install();
    // Requests the shutdown from ordinary code; safe from any thread.
    void request();
    // Blocks until a request or a signal arrives.
    void wait();
    bool requested();

  private:
    int m_pipe[2];
    // Set with release by request(): the pipe wakes the waiter, this flag orders the
    // requester's earlier writes before the waiter's shutdown work.
    std::atomic<bool> m_requested;
  };
}

#endif
