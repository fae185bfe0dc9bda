// ProbeComp, a component written only against the public API, under the built-in manager in
// its own process: callback order and thread, shutdown on signals, preconnect and
// preactivation, max_instance, and command lines the manager refuses.
#include "ProbeProcess.h"
#include "TestSocket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

using testsupport::fieldOf;
using testsupport::linesOf;
using testsupport::lineStarting;
using testsupport::probeTimeout;
using testsupport::startProbe;

namespace
{
  // Each prefix starts a line, in this order.
  void expectInOrder(const std::vector<std::string>& lines,
                     const std::vector<std::string>& prefixes)
  {
    long previous = -1;
    for (const std::string& prefix : prefixes)
      {
        long index = lineStarting(lines, prefix);
        EXPECT_GT(index, previous) << "'" << prefix << "' missing or out of order";
        previous = index;
      }
  }

  std::size_t countStarting(const std::vector<std::string>& lines, const std::string& prefix)
  {
    std::size_t n = 0;
    for (const std::string& line : lines)
      {
        n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
      }
    return n;
  }
}

class ShutdownOnSignal : public ::testing::TestWithParam<int>
{
};

TEST_P(ShutdownOnSignal, CallbacksInOrderOnTheContextThreadThenCleanExit)
{
  auto probe = startProbe(
    {"-o", "manager.components.preactivation:Probe0", "-o", "exec_cxt.periodic.rate:200"});
  ASSERT_TRUE(probe->waitForStdout("Probe0 onExecute", probeTimeout)) << probe->stderrText();
  probe->signal(GetParam());
  ASSERT_TRUE(probe->wait(probeTimeout)) << probe->stdoutText() << probe->stderrText();
  EXPECT_EQ(0, probe->termSignal());
  EXPECT_EQ(0, probe->exitCode()) << probe->stderrText();

  std::vector<std::string> lines = linesOf(probe->stdoutText());
  expectInOrder(lines,
                {"Probe0 onInitialize", "Probe0 onStartup", "Probe0 onActivated",
                 "Probe0 onExecute", "Probe0 onDeactivated", "Probe0 onShutdown",
                 "Probe0 onFinalize", "deleteProbe", "Probe0 destroyed", "runManager returned"});
  const std::string thread = fieldOf(lines, "Probe0 onStartup", "thread");
  EXPECT_FALSE(thread.empty());
  for (const char* callback :
       {"Probe0 onActivated", "Probe0 onExecute", "Probe0 onDeactivated", "Probe0 onShutdown"})
    {
      EXPECT_EQ(thread, fieldOf(lines, callback, "thread")) << callback;
    }
  EXPECT_NE("0", fieldOf(lines, "Probe0 onDeactivated", "executions"));
  // Standard output belongs to the component: the middleware's own lines go elsewhere.
  for (const std::string& line : lines)
    {
      EXPECT_TRUE(line.compare(0, 7, "Probe0 ") == 0 || line == "deleteProbe" ||
                  line == "runManager returned")
        << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, ShutdownOnSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(signal.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

TEST(ProbeProcess, WithoutPreactivationComponentsStayInactive)
{
  auto probe = startProbe({"-a", "-d"});
  ASSERT_TRUE(probe->waitForStdout("Probe0 onStartup", probeTimeout)) << probe->stderrText();
  probe->signal(SIGTERM);
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(0, probe->exitCode());
  std::vector<std::string> lines = linesOf(probe->stdoutText());
  EXPECT_EQ(-1, lineStarting(lines, "Probe0 onActivated"));
  EXPECT_EQ(-1, lineStarting(lines, "Probe0 onDeactivated"));
  expectInOrder(lines,
                {"Probe0 onShutdown", "Probe0 onFinalize", "deleteProbe", "runManager returned"});
}

class Preconnect : public ::testing::TestWithParam<std::string>
{
};

// Two probes wired by `preconnect`, run until the reader has five values, then stopped; the
// reader is activated first, so it sees every value the writer publishes.
void runPreconnectedProbes(const std::string& preconnect,
                           std::unique_ptr<testsupport::ChildProcess>& probe)
{
  probe = startProbe({"-o", "manager.components.preconnect:" + preconnect, "-o",
                      "manager.components.preactivation:Probe1, Probe0", "-o",
                      "exec_cxt.periodic.rate:200"},
                     {{"PROBE_COUNT", "2"}});
  ASSERT_TRUE(probe->waitForStdout("Probe1 received value 5", probeTimeout))
    << probe->stdoutText() << probe->stderrText();
  probe->signal(SIGTERM);
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(0, probe->exitCode());
}

TEST_P(Preconnect, ValuesFlowBetweenComponentsOfOneProcess)
{
  std::unique_ptr<testsupport::ChildProcess> probe;
  ASSERT_NO_FATAL_FAILURE(runPreconnectedProbes(GetParam(), probe));
  std::vector<std::string> lines = linesOf(probe->stdoutText());
  expectInOrder(lines,
                {"Probe1 received value 1", "Probe1 received value 2", "Probe1 received value 3",
                 "Probe1 received value 4", "Probe1 received value 5"});
  EXPECT_EQ(5u, countStarting(lines, "Probe1 received"));
  EXPECT_EQ(0u, countStarting(lines, "Probe0 received"));
  EXPECT_EQ(2u, countStarting(lines, "deleteProbe"));
  EXPECT_EQ(std::string::npos, probe->stderrText().find("preconnect")) << probe->stderrText();
}

INSTANTIATE_TEST_SUITE_P(
  Entries, Preconnect,
  ::testing::Values(
    "Probe0.out?port=Probe1.in",
    " Probe1.in?port=Probe0.out&buffer.length=16&buffer.write.full_policy=do_nothing"),
  [](const ::testing::TestParamInfo<std::string>& entry) {
    return std::string(entry.index == 0 ? "WriterFirst" : "ReaderFirstWithBufferOptions");
  });

TEST(ProbeProcess, UnknownNamesInPreconnectAndPreactivationAreReportedAndSkipped)
{
  auto probe = startProbe(
    {"-o", "manager.components.preconnect:Probe0.out?port=Probe9.in, Probe0.nothing?port=Probe0.in",
     "-o", "manager.components.preactivation:Nobody0, Probe0"});
  ASSERT_TRUE(probe->waitForStdout("Probe0 onExecute", probeTimeout)) << probe->stderrText();
  probe->signal(SIGTERM);
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(0, probe->exitCode());
  const std::string errors = probe->stderrText();
  EXPECT_NE(std::string::npos, errors.find("Probe9")) << errors;
  EXPECT_NE(std::string::npos, errors.find("Probe0.nothing")) << errors;
  EXPECT_NE(std::string::npos, errors.find("Nobody0")) << errors;
}

TEST(ProbeProcess, RefusedPreconnectEntriesAreReportedInTheConnectorRulesWords)
{
  // Judged by the manager before asking, by the rules the ports of this process apply: one
  // line each.
  auto probe = startProbe({"-o", "manager.components.preconnect:Probe0.out?port=Probe1.out,"
                                 "Probe0.out?port=Probe1.in&buffer.length=0,"
                                 "Probe1.in?port=Probe0.out&interface_type=shared_memory"},
                          {{"PROBE_COUNT", "2"}});
  ASSERT_TRUE(probe->waitForStderrMatch(
    [](const std::string& err) { return err.find("shared_memory'\n") != std::string::npos; },
    probeTimeout))
    << probe->stderrText();
  probe->signal(SIGTERM);
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(0, probe->exitCode());
  const std::string errors = probe->stderrText();
  for (const std::string expected :
       {"cannot connect Probe0.out and Probe1.out: both are out ports",
        "cannot connect Probe0.out and Probe1.in: buffer.length must be a number from 1 to "
        "1000000, got '0'",
        "cannot connect Probe1.in and Probe0.out: interface_type must be corba_cdr or fast-rtps, "
        "got "
        "'shared_memory'"})
    {
      EXPECT_EQ(1u, testsupport::countOf(errors, expected)) << expected << "\n" << errors;
    }
}

// Connector options a user mistypes: each entry is refused with one line naming the property,
// and the components and their sound connection carry on.
TEST(ProbeProcess, MistypedConnectorOptionsAreRefusedOnceAndTheSoundEntryStillFlows)
{
  const std::vector<std::pair<std::string, std::string>> mistyped = {
    {"subscription_type=new&publisher.push_policy=fifty",
     "publisher.push_policy must be all, fifo, skip or new, got 'fifty'"},
    {"subscription_type=new&publisher.push_policy=skip&publisher.skip_count=-1",
     "publisher.skip_count must be a number from 0 to 1000000, got '-1'"},
    {"buffer.write.full_policy=block&buffer.write.timeout=soon",
     "buffer.write.timeout must be a number of seconds from 0 to 3600, got 'soon'"},
  };
  std::string entries;
  for (const auto& entry : mistyped)
    {
      entries += "Probe0.out?port=Probe1.in&" + entry.first + ",";
    }
  std::unique_ptr<testsupport::ChildProcess> probe;
  ASSERT_NO_FATAL_FAILURE(runPreconnectedProbes(entries + "Probe1.in?port=Probe0.out", probe));
  const std::string errors = probe->stderrText();
  for (const auto& entry : mistyped)
    {
      EXPECT_EQ(1u, testsupport::countOf(errors, entry.second)) << errors;
    }
  EXPECT_EQ(mistyped.size(), testsupport::countOf(errors, "[rtm ERROR]") +
                               testsupport::countOf(errors, "[rtm WARNING]"))
    << errors;
  // Only the sound connection was made: each value arrives once.
  const std::vector<std::string> lines = linesOf(probe->stdoutText());
  for (const std::string value : {"1", "2", "3", "4", "5"})
    {
      EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "Probe1 received value " + value))
        << probe->stdoutText();
    }
}

TEST(ProbeProcess, ThirdInstanceExceedsMaxInstanceAndCreationFails)
{
  auto probe = startProbe({}, {{"PROBE_COUNT", "3"}});
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(SIGABRT, probe->termSignal());
  EXPECT_NE(std::string::npos, probe->stderrText().find("Component create failed."))
    << probe->stderrText();
  std::vector<std::string> lines = linesOf(probe->stdoutText());
  EXPECT_NE(-1, lineStarting(lines, "Probe1 onInitialize"));
  EXPECT_EQ(-1, lineStarting(lines, "Probe2"));
}

TEST(ProbeProcess, MissingComponentConfigFileFailsCreation)
{
  auto probe = startProbe({"-o", "Test.Probe.config_file:/nonexistent/probe.conf"});
  ASSERT_TRUE(probe->wait(probeTimeout));
  EXPECT_EQ(SIGABRT, probe->termSignal());
  EXPECT_NE(std::string::npos, probe->stderrText().find("/nonexistent/probe.conf"))
    << probe->stderrText();
  EXPECT_NE(std::string::npos, probe->stderrText().find("Component create failed."));
  EXPECT_EQ("", probe->stdoutText());
}

struct BadOptions
{
  const char* name;
  std::vector<std::string> arguments;
};

class BadCommandLine : public ::testing::TestWithParam<BadOptions>
{
};

TEST_P(BadCommandLine, OneLineOnStandardErrorAndFailureStatus)
{
  testsupport::ChildProcess probe(PROBE_COMP_PATH, GetParam().arguments);
  ASSERT_TRUE(probe.wait(probeTimeout));
  EXPECT_EQ(0, probe.termSignal()) << "no crash";
  EXPECT_NE(0, probe.exitCode());
  const std::string error = probe.stderrText();
  ASSERT_FALSE(error.empty());
  EXPECT_EQ(error.size() - 1, error.find('\n')) << "exactly one line: " << error;
  EXPECT_EQ("", probe.stdoutText());
}

INSTANTIATE_TEST_SUITE_P(
  Options, BadCommandLine,
  ::testing::Values(BadOptions{"UnknownOption", {"-x"}},
                    BadOptions{"MissingFile", {"-f", "/nonexistent/rtc.conf"}},
                    BadOptions{"FileOptionWithoutFile", {"-f"}},
                    BadOptions{"OptionWithoutColon", {"-o", "naming.enable"}},
                    BadOptions{"OptionWithoutKey", {"-o", ":NO"}},
                    BadOptions{"PortNotANumber", {"-p", "port"}}),
  [](const ::testing::TestParamInfo<BadOptions>& options) {
    return std::string(options.param.name);
  });

TEST(ProbeProcess, EndpointPortInUseIsOneLineAndFailureStatus)
{
  unsigned short port = 0;
  testsupport::TestSocket holder = testsupport::TestSocket::listenAnyPort(port);
  testsupport::ChildProcess probe(
    PROBE_COMP_PATH,
    {"-o", "naming.enable:NO", "-o", "corba.endpoint:127.0.0.1:" + std::to_string(port)});
  ASSERT_TRUE(probe.wait(probeTimeout));
  holder.close();
  EXPECT_EQ(0, probe.termSignal()) << "no crash";
  EXPECT_EQ(1, probe.exitCode());
  // omniORB reports the failed bind itself; ours is the one last line after it.
  const std::string error = probe.stderrText();
  ASSERT_FALSE(error.empty());
  const std::string last = error.substr(error.rfind('\n', error.size() - 2) + 1);
  EXPECT_EQ(0u, last.find("ProbeComp: cannot serve remote calls")) << error;
  EXPECT_EQ("", probe.stdoutText());
}
