#include "ProgramFixture.h"

#include <csignal>

namespace programs
{
  std::unique_ptr<ChildProcess>
  ProgramFixture::startSimulator(const std::vector<std::string>& extra)
  {
    return m_simulatorPort.start(POSITION_SERVER_SIM_PATH, m_directory.file("sim.log"), extra,
                                 kPatience);
  }

  std::string ProgramFixture::simulatorLog() const
  {
    return testsupport::readFile(m_directory.file("sim.log"));
  }

  std::unique_ptr<ChildProcess>
  ProgramFixture::startProgram(const std::string& path, const std::vector<std::string>& options,
                               const std::map<std::string, std::string>& environment)
  {
    std::vector<std::string> all = {"corba.endpoint:127.0.0.1:", "naming.enable:NO",
                                    "exec_cxt.periodic.rate:100"};
    all.insert(all.end(), options.begin(), options.end());
    std::vector<std::string> arguments;
    for (const std::string& option : all)
      {
        arguments.push_back("-o");
        arguments.push_back(option);
      }
    // The directory has no rtc.conf, so only these options count; log files stay in it.
    return std::unique_ptr<ChildProcess>(
      new ChildProcess(path, arguments, environment, m_directory.path()));
  }

  std::unique_ptr<ChildProcess>
  ProgramFixture::startActiveProducer(const std::vector<std::string>& options)
  {
    std::vector<std::string> all = {"Category.InKorvane.conf.default.Port:" +
                                      std::to_string(m_simulatorPort.number()),
                                    "manager.components.preactivation:InKorvane0"};
    all.insert(all.end(), options.begin(), options.end());
    return startProgram(INKORVANE_COMP_PATH, all);
  }

  bool interrupt(ChildProcess& program)
  {
    // OpenRTM-aist 2.0 forgets a SIGINT that arrives while its manager is still starting (during
    // preactivation, say), so the signal is repeated; a repeated request is harmless to both
    // middlewares. Deactivation may wait out a 5 s reply wait and then pause 3 s.
    return testsupport::waitUntil(
      [&program] {
        program.signal(SIGINT);
        return program.wait(std::chrono::seconds(3));
      },
      kPatience, std::chrono::milliseconds(0));
  }

  bool waitPrinted(ChildProcess& consumer, std::size_t count)
  {
    return consumer.waitForStdoutMatch(
      [count](const std::string& out) { return testsupport::printedValues(out).size() >= count; },
      kPatience);
  }

  void expectEndsWithoutCrash(ChildProcess& program)
  {
    ASSERT_TRUE(interrupt(program)) << program.stderrText();
    for (int crash : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
      {
        EXPECT_NE(program.termSignal(), crash) << program.stderrText();
      }
  }
}
