#include "RemoteFixture.h"

namespace remotetest
{
  void RemoteFixture::SetUp()
  {
    ASSERT_TRUE(m_naming.ready()) << "omniNames did not start";
  }

  std::vector<std::string> RemoteFixture::managerOptions(const std::string& nameServer) const
  {
    return {"corba.nameservers:" + nameServer, "naming.update.interval:0.5",
            "exec_cxt.periodic.rate:100"};
  }

  std::unique_ptr<ChildProcess>
  RemoteFixture::startManager(const std::string& program, const std::vector<std::string>& options,
                              const std::map<std::string, std::string>& environment)
  {
    std::vector<std::string> arguments;
    std::vector<std::string> all = managerOptions(m_naming.address());
    all.insert(all.end(), options.begin(), options.end());
    for (const std::string& option : all)
      {
        arguments.push_back("-o");
        arguments.push_back(option);
      }
    // The working directory has no rtc.conf, so only these options count.
    return std::unique_ptr<ChildProcess>(
      new ChildProcess(program, arguments, environment, m_directory.path()));
  }

  std::unique_ptr<ChildProcess>
  RemoteFixture::startTextPorts(const std::vector<std::string>& components,
                                const std::vector<std::string>& options)
  {
    std::string list;
    for (const std::string& component : components)
      {
        list += (list.empty() ? "" : ";") + component;
      }
    return startManager(TEXTPORT_PROGRAM, options, {{"TEXTPORT_COMPONENTS", list}});
  }

  bool RemoteFixture::waitRegistered(ChildProcess& process, const std::string& instance,
                                     std::size_t times)
  {
    // The middleware reports each registration on standard error.
    const std::string line = "registered " + instance + " as ";
    return process.waitForStderrMatch(
      [&](const std::string& text) { return countOf(text, line) >= times; }, kPatience);
  }

  ToolResult RemoteFixture::rtctl(const std::vector<std::string>& arguments,
                                  const std::string& nameServer)
  {
    std::vector<std::string> all = {"-n", nameServer.empty() ? m_naming.address() : nameServer};
    all.insert(all.end(), arguments.begin(), arguments.end());
    ChildProcess tool(RTCTL_PROGRAM, all);
    ToolResult result;
    if (!tool.wait(std::chrono::seconds(90)))
      {
        result.err = "rtctl did not end";
        return result;
      }
    result.status = tool.exitCode();
    result.out = tool.stdoutText();
    result.err = tool.stderrText();
    return result;
  }

  std::string RemoteFixture::rtctlOk(const std::vector<std::string>& arguments,
                                     const std::string& nameServer)
  {
    ToolResult result = rtctl(arguments, nameServer);
    std::string command;
    for (const std::string& argument : arguments) { command += " " + argument; }
    EXPECT_EQ(0, result.status) << "rtctl" << command << ": " << result.err;
    return result.out;
  }
}
