// Turns SIGINT and SIGTERM into a shutdown request that a program waits for or polls. The signal
// handler only writes one byte to a pipe; everything else happens on the program's own threads.
#ifndef RTM_SIGNAL_SHUTDOWNSIGNAL_H
#define RTM_SIGNAL_SHUTDOWNSIGNAL_H

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

    // Installs the handlers for SIGINT and SIGTERM. Call it before starting threads: they
    // inherit the blocked signals, which one thread of ours takes.
    void install();
    // False when the pipe could not be made; the signals then cannot be noticed.
    bool ready() const { return m_pipe[0] >= 0; }
    // Readable once a request or a signal has arrived, and from then on (it is never drained),
    // so any number of threads may poll it beside their own descriptors.
    int fd() const { return m_pipe[0]; }
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
