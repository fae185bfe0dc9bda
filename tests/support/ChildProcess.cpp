#include "ChildProcess.h"

#include "OrbArguments.h"
#include "TestSocket.h"
#include "Wait.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace testsupport
{
  ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::map<std::string, std::string>& environment,
                             const std::string& workingDirectory)
  {
    int out[2], err[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0)
      {
        throw std::runtime_error("pipe failed");
      }
    std::vector<std::string> args;
    args.push_back(program);
    args.insert(args.end(), arguments.begin(), arguments.end());
    RTC::ArgumentVector argv(std::move(args));

    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry)
      {
        std::string text(*entry);
        std::string key = text.substr(0, text.find('='));
        if (environment.count(key) == 0) { env.push_back(text); }
      }
    for (const auto& entry : environment) { env.push_back(entry.first + "=" + entry.second); }
    RTC::ArgumentVector envp(std::move(env));

    m_pid = ::fork();
    if (m_pid < 0) { throw std::runtime_error("fork failed"); }
    if (m_pid == 0)
      {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::setpgid(0, 0);
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) { ::_exit(126); }
        ::execve(program.c_str(), argv.argv(), envp.argv());
        ::_exit(127);
      }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_stdin = in[1];
    m_stdoutReader = std::thread(&ChildProcess::readLoop, this, out[0], std::ref(m_stdout));
    m_stderrReader = std::thread(&ChildProcess::readLoop, this, err[0], std::ref(m_stderr));
  }

  ChildProcess::~ChildProcess()
  {
    if (running())
      {
        ::kill(m_pid, SIGKILL);
        reap(true);
      }
    closeInput();
    if (m_stdoutReader.joinable()) { m_stdoutReader.join(); }
    if (m_stderrReader.joinable()) { m_stderrReader.join(); }
  }

  void ChildProcess::readLoop(int fd, std::string& into)
  {
    char buffer[4096];
    while (true)
      {
        ssize_t count = ::read(fd, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) { continue; }
        if (count <= 0) { break; }
        std::lock_guard<std::mutex> lock(m_mutex);
        into.append(buffer, static_cast<std::size_t>(count));
        m_changed.notify_all();
      }
    ::close(fd);
  }

  void ChildProcess::signal(int signalNumber)
  {
    if (m_pid > 0 && !m_exited) { ::kill(m_pid, signalNumber); }
  }

  void ChildProcess::closeInput()
  {
    if (m_stdin >= 0)
      {
        ::close(m_stdin);
        m_stdin = -1;
      }
  }

  bool ChildProcess::waitFor(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, condition);
  }

  bool ChildProcess::waitForStdout(const std::string& text, std::chrono::milliseconds timeout)
  {
    return waitFor([&] { return m_stdout.find(text) != std::string::npos; }, timeout);
  }

  bool ChildProcess::waitForStderr(const std::string& text, std::chrono::milliseconds timeout)
  {
    return waitFor([&] { return m_stderr.find(text) != std::string::npos; }, timeout);
  }

  bool ChildProcess::waitForStdoutMatch(const std::function<bool(const std::string&)>& predicate,
                                        std::chrono::milliseconds timeout)
  {
    return waitFor([&] { return predicate(m_stdout); }, timeout);
  }

  bool ChildProcess::waitForStderrMatch(const std::function<bool(const std::string&)>& predicate,
                                        std::chrono::milliseconds timeout)
  {
    return waitFor([&] { return predicate(m_stderr); }, timeout);
  }

  std::string ChildProcess::stdoutText()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stdout;
  }

  std::string ChildProcess::stderrText()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stderr;
  }

  void ChildProcess::reap(bool block)
  {
    if (m_exited) { return; }
    int status = 0;
    pid_t result = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    if (result == m_pid)
      {
        m_exited = true;
        if (WIFEXITED(status)) { m_exitCode = WEXITSTATUS(status); }
        if (WIFSIGNALED(status)) { m_termSignal = WTERMSIG(status); }
      }
  }

  bool ChildProcess::running()
  {
    reap(false);
    return !m_exited;
  }

  bool ChildProcess::wait(std::chrono::milliseconds timeout)
  {
    // Polling a child's exit every 10 ms; there is no portable wait-with-timeout for one pid.
    if (!waitUntil([this] { return !running(); }, timeout, std::chrono::milliseconds(10)))
      {
        return false;
      }
    // Let the readers collect the last output before the caller looks at it.
    if (m_stdoutReader.joinable()) { m_stdoutReader.join(); }
    if (m_stderrReader.joinable()) { m_stderrReader.join(); }
    return true;
  }

  TemporaryDirectory::TemporaryDirectory()
  {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/inkorvane-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) { throw std::runtime_error("mkdtemp failed"); }
    m_path = buffer.data();
  }

  TemporaryDirectory::~TemporaryDirectory()
  {
    ChildProcess remover("/bin/rm", {"-rf", m_path});
    remover.wait(std::chrono::seconds(30));
  }

  void TemporaryDirectory::write(const std::string& name, const std::string& contents) const
  {
    std::ofstream out(file(name), std::ios::binary);
    out << contents;
  }

  NamingService::NamingService() : NamingService(freeLoopbackPort()) {}

  NamingService::NamingService(int port) : m_port(port)
  {
    RTC::OrbOptions options;
    options.endpoint = RTC::orbEndpoint("127.0.0.1:" + std::to_string(m_port));
    std::vector<std::string> arguments = {"-start", std::to_string(m_port), "-logdir",
                                          m_logDirectory.path()};
    for (const std::string& word : RTC::orbOptionWords(options)) { arguments.push_back(word); }
    m_process.reset(new ChildProcess("/usr/bin/omniNames", arguments));
    // omniNames prints its root context's reference once it serves.
    m_ready = m_process->waitForStderr("Root context is", std::chrono::seconds(20));
  }

  NamingService::~NamingService()
  {
    stop();
  }

  void NamingService::stop()
  {
    if (m_process && m_process->running())
      {
        m_process->signal(SIGTERM);
        if (!m_process->wait(std::chrono::seconds(5))) { m_process->signal(SIGKILL); }
      }
    m_process.reset();
  }
}
