// Runs a program as a child process for a test: its standard output and standard error are
// collected by reader threads, and every wait has a deadline. The destructor kills what is
// still running, so a failing test leaves no process behind.
#ifndef TESTS_SUPPORT_CHILDPROCESS_H
#define TESTS_SUPPORT_CHILDPROCESS_H

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport
{
  class ChildProcess
  {
  public:
    // Starts `program` with `arguments`; `environment` entries are added to the current ones.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {},
                 const std::string& workingDirectory = std::string());
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    void signal(int signalNumber);
    // Closes the child's standard input.
    void closeInput();

    // Waits until the collected standard output (or error) contains `text`; false on timeout.
    bool waitForStdout(const std::string& text, std::chrono::milliseconds timeout);
    bool waitForStderr(const std::string& text, std::chrono::milliseconds timeout);
    // Waits until `predicate(stdout)` holds; false on timeout.
    bool waitForStdoutMatch(const std::function<bool(const std::string&)>& predicate,
                            std::chrono::milliseconds timeout);
    bool waitForStderrMatch(const std::function<bool(const std::string&)>& predicate,
                            std::chrono::milliseconds timeout);

    std::string stdoutText();
    std::string stderrText();

    // Waits for the process to end; false on timeout. Afterwards exitCode()/termSignal() tell how.
    bool wait(std::chrono::milliseconds timeout);
    bool running();
    // Exit status when it exited normally, else -1.
    int exitCode() const { return m_exitCode; }
    // The signal that ended it, else 0.
    int termSignal() const { return m_termSignal; }

  private:
    void readLoop(int fd, std::string& into);
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    void reap(bool block);

    int m_pid = -1;
    int m_stdin = -1;
    bool m_exited = false;
    int m_exitCode = -1;
    int m_termSignal = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_stdout;
    std::string m_stderr;
    std::thread m_stdoutReader;
    std::thread m_stderrReader;
  };

  // A fresh temporary directory, removed with its contents by the destructor.
  class TemporaryDirectory
  {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    void write(const std::string& name, const std::string& contents) const;

  private:
    std::string m_path;
  };

  // omniNames on a free loopback port with its log in a temporary directory; stopped by the destructor.
  class NamingService
  {
  public:
    NamingService();
    // On a given loopback port: to start one late, or again, where processes already look for it.
    explicit NamingService(int port);
    ~NamingService();
    int port() const { return m_port; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    bool ready() const { return m_ready; }
    void stop();

  private:
    int m_port;
    TemporaryDirectory m_logDirectory;
    std::unique_ptr<ChildProcess> m_process;
    bool m_ready = false;
  };
}

#endif
