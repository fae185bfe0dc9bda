// Controlling components of other processes: configuration, slow deactivation and exit,
// rtctl's refusals, and a consumer's configuration that connects and activates a producer.
#include "RemoteFixture.h"

namespace remotetest
{
  class RemoteControlTest : public RemoteFixture
  {
  };

  TEST_F(RemoteControlTest, ConfigurationSetRemotelyTakesEffectAtNextActivation)
  {
    auto probe = startManager(PROBE_PROGRAM, {});
    ASSERT_TRUE(waitRegistered(*probe, "Probe0"));
    rtctlOk({"activate", "Probe0"});
    ASSERT_TRUE(probe->waitForStdout("onActivated", kPatience));
    EXPECT_NE(std::string::npos, probe->stdoutText().find("Count=5 Label=plain"));

    rtctlOk({"conf", "Probe0", "Label", "fancy"});
    rtctlOk({"conf", "Probe0", "Count", "7", "-s", "fast"});
    EXPECT_EQ("fancy\n", rtctlOk({"conf", "Probe0", "Label"}));
    const std::string all = rtctlOk({"conf", "Probe0"});
    EXPECT_NE(std::string::npos, all.find("active configuration set: default\n")) << all;
    EXPECT_NE(std::string::npos, all.find("configuration sets: default, fast\n")) << all;
    EXPECT_NE(std::string::npos, all.find("Count: 5\nLabel: fancy\n")) << all;

    rtctlOk({"deactivate", "Probe0"});
    rtctlOk({"activate", "Probe0"});
    ASSERT_TRUE(probe->waitForStdoutMatch(
      [](const std::string& out) { return countOf(out, "onActivated") == 2; }, kPatience));
    // The second activation took the new value; the other set's value stayed there.
    const std::string out = probe->stdoutText();
    EXPECT_NE(std::string::npos, out.find("Count=5 Label=fancy", out.rfind("onActivated"))) << out;
  }

  TEST_F(RemoteControlTest, DeactivateAndExitWaitForSlowOnDeactivatedAndExitEndsTheProcess)
  {
    // Slower than the ORB's default call time-out: only the control time-out lets this pass.
    auto slow = startTextPorts({"TextPort?instance_name=Slow&conf.default.DeactivateDelayMs=3000"});
    ASSERT_TRUE(waitRegistered(*slow, "Slow"));

    rtctlOk({"activate", "Slow"});
    rtctlOk({"deactivate", "Slow"});
    EXPECT_NE(std::string::npos,
              slow->stdoutText().find("Slow deactivated"));   // before rtctl returned
    EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Slow"}));

    rtctlOk({"activate", "Slow"});
    rtctlOk({"exit", "Slow"});
    EXPECT_EQ(2u, countOf(slow->stdoutText(), "Slow deactivated"));
    ASSERT_TRUE(slow->wait(kPatience));
    EXPECT_EQ(0, slow->exitCode()) << slow->stderrText();
    EXPECT_NE(std::string::npos, slow->stdoutText().find("Slow finalized"));
    // Its name went with it.
    EXPECT_EQ(std::string(), rtctlOk({"ls"}));
  }

  TEST_F(RemoteControlTest, RtctlRefusesBadInputWithOneLineAndChangesNothing)
  {
    auto probes = startManager(PROBE_PROGRAM, {}, {{"PROBE_COUNT", "2"}});
    auto texts = startTextPorts({"TextPort?instance_name=Texts"});
    ASSERT_TRUE(waitRegistered(*probes, "Probe1"));
    ASSERT_TRUE(waitRegistered(*texts, "Texts"));
    const testsupport::ReservedPort closed;
    const std::string silent = "127.0.0.1:" + std::to_string(closed.number());

    struct Case
    {
      std::vector<std::string> arguments;
      int status;
      std::string message;
      std::string nameServer;
    };
    const std::vector<Case> cases = {
      {{"state", "Nobody"}, 1, "no component 'Nobody'", ""},
      {{"activate", "Probe0", "Nobody"}, 1, "no component 'Nobody'", ""},
      {{"connect", "Probe0:nope", "Probe1:in"},
       1,
       "Probe0 has no port 'nope' (its ports: out, in)",
       ""},
      {{"connect", "Probe0:out", "Probe1:out"}, 1, "both are out ports", ""},
      {{"connect", "Probe0:in", "Texts:in"}, 1, "both are in ports", ""},
      {{"connect", "Texts:time", "Probe0:in"},
       1,
       "data types differ (IDL:RTC/Time:1.0 and IDL:RTC/TimedString:1.0)",
       ""},
      {{"connect", "Probe0:out", "Probe1:in", "-p", "buffer.length=zero"},
       1,
       "buffer.length must be a number from 1 to 1000000, got 'zero'",
       ""},
      {{"connect", "Probe0:out", "Probe1:in", "-p", "buffer.write.full_policy=wait"},
       1,
       "buffer.write.full_policy must be overwrite, do_nothing or block, got 'wait'",
       ""},
      // Not judged by rtctl: the port refuses, and its reason comes back.
      {{"connect", "Probe0:out", "Probe1:in", "-p", "interface_type=shared_memory"},
       1,
       "cannot connect Probe0:out and Probe1:in: interface_type must be corba_cdr or fast-rtps, "
       "got "
       "'shared_memory'",
       ""},
      {{"connect", "Probe0:out", "Probe1:in", "-p", "novalue"}, 2, "key=value", ""},
      {{"connect", "Probe0", "Probe1:in"}, 2, "expected NAME:port", ""},
      {{"connect", "Probe0:out"}, 2, "expects two ports", ""},
      {{"disconnect", "Probe0:out", "Probe1:in"}, 1, "no connection between", ""},
      {{"reset", "Probe0"}, 1, "cannot reset Probe0: it is INACTIVE", ""},
      {{"conf", "Probe0", "Nope"}, 1, "Probe0 has no configuration parameter 'Nope'", ""},
      {{"conf", "Probe0", "Nope", "1"}, 1, "Probe0 has no configuration parameter 'Nope'", ""},
      {{"wait", "Probe0", "ACTIVE", "--timeout", "0.5"},
       1,
       "did not become ACTIVE within 0.5 s (it is INACTIVE)",
       ""},
      {{"wait", "Probe0", "SLEEPING"}, 2, "STATE must be", ""},
      {{"rate", "Probe0", "0"}, 2, "rate: HZ must be a positive number, got '0'", ""},
      {{"rate", "Probe0", "nan"}, 2, "rate: HZ must be a positive number, got 'nan'", ""},
      {{"rate", "Probe0", "-5"}, 2, "rate: HZ must be a positive number, got '-5'", ""},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'", ""},
      {{"ls", "--colour"}, 2, "unknown option '--colour'", ""},
      {{"ls"}, 1, "the naming service at " + silent + " does not answer", silent},
      {{"state", "Probe0"}, 1, "does not answer", silent},
    };
    for (const Case& c : cases)
      {
        std::string command;
        for (const std::string& argument : c.arguments) { command += " " + argument; }
        ToolResult result = rtctl(c.arguments, c.nameServer);
        EXPECT_EQ(c.status, result.status) << command << ": " << result.err;
        EXPECT_NE(std::string::npos, result.err.find(c.message)) << command << ": " << result.err;
        EXPECT_EQ(1u, countOf(result.err, "\n")) << command << ": " << result.err;
        EXPECT_EQ(0u, result.err.find("rtctl: ")) << command << ": " << result.err;
      }
    // Nothing was connected, activated or slowed down on the way.
    const std::string ls = rtctlOk({"ls"});
    EXPECT_EQ(3u, countOf(ls, "  ec  100 Hz  running\n")) << ls;
    EXPECT_EQ(std::string::npos, ls.find(" -> ")) << ls;
    EXPECT_EQ(std::string::npos, ls.find("  ACTIVE\n")) << ls;
    EXPECT_EQ(3u, countOf(ls, "  INACTIVE\n")) << ls;
  }

  TEST_F(RemoteControlTest, EverySubcommandHasHelp)
  {
    for (const std::string command : {"ls", "connect", "disconnect", "activate", "deactivate",
                                      "reset", "conf", "state", "wait", "exit", "echo", "hz"})
      {
        ToolResult result = rtctl({command, "--help"});
        EXPECT_EQ(0, result.status) << command;
        EXPECT_EQ(0u, result.out.find("usage: rtctl [-n host[:port]] " + command)) << result.out;
      }
    ToolResult overview = rtctl({"--help"});
    EXPECT_EQ(0, overview.status);
    EXPECT_NE(std::string::npos, overview.out.find("rtctl wait NAME STATE [--timeout S]"));
    EXPECT_NE(std::string::npos,
              overview.out.find("rtctl echo NAME:port [-p key=value]... [--count N] [--stamp]"));
  }

  TEST_F(RemoteControlTest, ConsumerConfigurationConnectsAndActivatesTheChain)
  {
    // The consumer starts first and names its producer through the naming service; the
    // producer appears a moment later.
    const std::string producer = "rtcname://" + m_naming.address() + "/Probe0";
    m_directory.write("consumer.conf", "naming.formats: consumer.ctx/%n.rtc\n"
                                       "manager.components.preconnect: Consumer.in?port=" +
                                         producer +
                                         ".out&buffer.length=16\n"
                                         "manager.components.preactivation: " +
                                         producer + ", Consumer\n");
    ChildProcess consumer(
      TEXTPORT_PROGRAM,
      {"-f", m_directory.file("consumer.conf"), "-o", "corba.nameservers:" + m_naming.address(),
       "-o", "exec_cxt.periodic.rate:100"},
      {{"TEXTPORT_COMPONENTS", "TextPort?instance_name=Consumer"}}, m_directory.path());
    auto producerProcess = startManager(PROBE_PROGRAM, {"naming.formats:%n.rtc"});

    for (int n = 1; n <= 5; ++n)
      {
        const std::string text = "value " + std::to_string(n);
        EXPECT_TRUE(consumer.waitForStdout(
          "Consumer got " + std::to_string(text.size()) + " [" + toHex(text) + "]", kPatience))
          << consumer.stdoutText() << consumer.stderrText();
      }
    EXPECT_EQ("ACTIVE\n", rtctlOk({"state", "Probe0.rtc"}));
    EXPECT_EQ("ACTIVE\n", rtctlOk({"state", "consumer.ctx/Consumer"}));
    EXPECT_EQ("25 Hz\n", rtctlOk({"rate", "Probe0.rtc", "25"}));
    EXPECT_EQ("25 Hz\n", rtctlOk({"rate", "Probe0.rtc"}));
    const std::string ls = rtctlOk({"ls"});
    EXPECT_EQ(2u, countOf(ls, "Probe0.out -> Consumer.in")) << ls;
    EXPECT_NE(std::string::npos, ls.find("buffer=16,overwrite")) << ls;
  }
}

namespace remotetest
{
  // Preconnect within a process, preconnect to another process and rtctl connect go through the
  // one connect helper: each connector is named "<port asked>:<other port>" and has a UUID.
  TEST_F(RemoteControlTest, EveryWayOfConnectingNamesAndIdentifiesConnectorsAlike)
  {
    const std::string producer = "rtcname://" + m_naming.address() + "/A";
    auto first =
      startTextPorts({"TextPort?instance_name=A", "TextPort?instance_name=B"},
                     {"naming.formats:%n.rtc", "manager.components.preconnect:B.in?port=A.out"});
    ASSERT_TRUE(waitRegistered(*first, "A"));
    auto second = startTextPorts(
      {"TextPort?instance_name=C", "TextPort?instance_name=D"},
      {"naming.formats:%n.rtc", "manager.components.preconnect:C.in?port=" + producer + ".out"});
    ASSERT_TRUE(second->waitForStderr("connected C.in and A.out", kPatience))
      << second->stderrText();
    rtctlOk({"connect", "A:out", "D:in"});

    const std::string ls = rtctlOk({"ls"});
    const struct
    {
      const char* path;
      const char* name;
    } made[] = {{"preconnect in one process", "B.in:A.out"},
                {"preconnect to another process", "C.in:A.out"},
                {"rtctl connect", "A.out:D.in"}};
    for (const auto& connection : made)
      {
        const std::string field = "name=" + std::string(connection.name) + " id=";
        const std::string::size_type at = ls.find(field);
        ASSERT_NE(std::string::npos, at) << connection.path << "\n" << ls;
        const std::string id =
          ls.substr(at + field.size(), ls.find(' ', at + field.size()) - at - field.size());
        EXPECT_EQ(36u, id.size()) << connection.path << ": " << id;
        EXPECT_EQ(std::string::npos, id.find_first_not_of("0123456789abcdef-"))
          << connection.path << ": " << id;
      }
  }
}
