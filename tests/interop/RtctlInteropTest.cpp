// rtctl, built on the built-in middleware, driving components built on OpenRTM-aist through
// OpenRTM-aist's own interfaces: listing, configuring, connecting, activating, deactivating and
// ending them, and refusing what cannot work.
#include "NamingLookup.h"
#include "ProgramFixture.h"
#include "Wait.h"

#include <algorithm>
#include <csignal>
#include <sstream>

namespace programs
{
  struct ToolResult
  {
    int status;
    std::string out;
    std::string err;
  };

  class RtctlInterop : public ProgramFixture
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    ToolResult rtctl(const std::vector<std::string>& arguments)
    {
      std::vector<std::string> all = {"-n", m_naming.address()};
      all.insert(all.end(), arguments.begin(), arguments.end());
      ChildProcess tool(BUILTIN_RTCTL_PATH, all);
      if (!tool.wait(kPatience)) { ADD_FAILURE() << "rtctl did not end"; }
      return {tool.exitCode(), tool.stdoutText(), tool.stderrText()};
    }

    std::string rtctlOk(const std::vector<std::string>& arguments)
    {
      const ToolResult result = rtctl(arguments);
      std::string command;
      for (const std::string& argument : arguments) { command += " " + argument; }
      EXPECT_EQ(0, result.status) << "rtctl" << command << ": " << result.err;
      return result.out;
    }

    // An OpenRTM-aist program whose component is registered as <instance>.rtc.
    std::unique_ptr<ChildProcess> startRegistered(const std::string& path,
                                                  const std::string& instance,
                                                  const std::vector<std::string>& extra = {})
    {
      std::vector<std::string> options = {
        "naming.enable:YES", "corba.nameservers:" + m_naming.address(), "naming.formats:%n.rtc"};
      options.insert(options.end(), extra.begin(), extra.end());
      std::unique_ptr<ChildProcess> program = startProgram(path, options);
      EXPECT_TRUE(testsupport::waitForName(m_naming.address(), instance + ".rtc", kPatience))
        << program->stderrText();
      return program;
    }

    // What `rtctl watch` prints of InKorvane0, heartbeats left out, while it is activated, its
    // configuration changed and it is deactivated.
    std::string watchedChanges(const std::string& program, const std::vector<std::string>& extra)
    {
      std::unique_ptr<ChildProcess> producer = startRegistered(program, "InKorvane0", extra);
      // The name may still be the previous program's until this one has bound it.
      EXPECT_TRUE(testsupport::waitUntil(
        [&] {
          return rtctl({"state", "InKorvane0"}).status == 0;
        },
        kPatience));
      ChildProcess watch(BUILTIN_RTCTL_PATH,
                         {"-n", m_naming.address(), "watch", "InKorvane0", "--heartbeat", "0.2"});
      // The first heartbeat says the observer is registered before the changes are made.
      EXPECT_TRUE(watch.waitForStdout("HEARTBEAT\n", kPatience)) << watch.stderrText();
      rtctlOk({"activate", "InKorvane0"});
      rtctlOk({"conf", "InKorvane0", "IPAddress", "127.0.0.1"});
      rtctlOk({"deactivate", "InKorvane0"});
      EXPECT_TRUE(watch.waitForStdout("INACTIVE:0\n", kPatience)) << watch.stdoutText();
      EXPECT_TRUE(interrupt(watch)) << watch.stderrText();
      EXPECT_EQ(watch.exitCode(), 0) << watch.stderrText();
      std::string changes;
      std::istringstream lines(watch.stdoutText());
      for (std::string line; std::getline(lines, line);)
        {
          // Each interface names its heartbeat its own way (README's back-end table).
          if (line != "RTC_HEARTBEAT" && line != "HEARTBEAT") { changes += line + "\n"; }
        }
      producer.reset();
      return changes;
    }

    testsupport::NamingService m_naming;
  };

  TEST_F(RtctlInterop, ListsConfiguresConnectsAndControlsOpenRtmComponents)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    const testsupport::ReservedPort closed;
    const std::string firstPort = std::to_string(closed.number());
    std::unique_ptr<ChildProcess> producer =
      startRegistered(OPENRTM_INKORVANE_COMP_PATH, "InKorvane0",
                      {"Category.InKorvane.conf.default.Port:" + firstPort});
    std::unique_ptr<ChildProcess> consumer =
      startRegistered(OPENRTM_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0");

    std::string ls = rtctlOk({"ls"});
    EXPECT_NE(ls.find("InKorvane0.rtc  INACTIVE\n  out outPositionData  IDL:RTC/TimedString:1.0\n"),
              std::string::npos)
      << ls;
    EXPECT_NE(
      ls.find("InKorvaneTest0.rtc  INACTIVE\n  in  inPositionData  IDL:RTC/TimedString:1.0\n"),
      std::string::npos)
      << ls;
    EXPECT_EQ(ls.find(" -> "), std::string::npos) << ls;

    // The configuration: read, set, and taken at the next activation.
    EXPECT_EQ(rtctlOk({"conf", "InKorvane0", "Port"}), firstPort + "\n");
    const std::string conf = rtctlOk({"conf", "InKorvane0"});
    EXPECT_NE(conf.find("active configuration set: default\nconfiguration sets: default\n"),
              std::string::npos)
      << conf;
    EXPECT_NE(conf.find("Port: " + firstPort + "\n"), std::string::npos) << conf;
    rtctlOk({"conf", "InKorvane0", "Port", std::to_string(m_simulatorPort.number())});
    EXPECT_EQ(rtctlOk({"conf", "InKorvane0", "Port"}),
              std::to_string(m_simulatorPort.number()) + "\n");

    // In port first: the order the ports are given in does not matter.
    EXPECT_NE(rtctlOk({"connect", "InKorvaneTest0:inPositionData", "InKorvane0:outPositionData",
                       "-p", "buffer.length=16"})
                .find("connected InKorvane0.outPositionData -> InKorvaneTest0.inPositionData  "
                      "name=InKorvaneTest0.inPositionData:InKorvane0.outPositionData id="),
              std::string::npos);
    ls = rtctlOk({"ls"});
    EXPECT_EQ(countOf(ls, "InKorvane0.outPositionData -> InKorvaneTest0.inPositionData  name="), 2u)
      << ls;
    EXPECT_EQ(countOf(ls, " buffer=16,overwrite\n"), 2u) << ls;

    rtctlOk({"activate", "InKorvaneTest0", "InKorvane0"});
    EXPECT_EQ(rtctlOk({"state", "InKorvane0"}), "ACTIVE\n");
    ASSERT_TRUE(consumer->waitForStdoutMatch(
      [](const std::string& out) { return testsupport::printedValues(out).size() >= 5; },
      kPatience))
      << consumer->stdoutText() << producer->stderrText() << simulatorLog();
    const std::vector<std::string> sent = testsupport::sentReplies(simulatorLog(), 1);
    std::vector<std::string> printed = testsupport::printedValues(consumer->stdoutText());
    // The last one may be half printed yet: its heading comes before its text.
    printed.pop_back();
    // The consumer, no faster than the producer, may skip a value; it invents none.
    auto next = sent.begin();
    for (const std::string& value : printed)
      {
        next = std::find(next, sent.end(), value);
        ASSERT_NE(next, sent.end()) << value << " was not sent, or not in this order";
        ++next;
      }

    // InKorvane's onDeactivated outlasts OpenRTM-aist's transition time-out; rtctl returns
    // only once it has ended the session.
    rtctlOk({"deactivate", "InKorvane0"});
    EXPECT_NE(simulatorLog().find("RECV 1 Q"), std::string::npos) << simulatorLog();
    EXPECT_EQ(rtctlOk({"state", "InKorvane0"}), "INACTIVE\n");

    EXPECT_NE(rtctlOk({"disconnect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData"})
                .find("disconnected InKorvaneTest0.inPositionData:InKorvane0.outPositionData"),
              std::string::npos);
    EXPECT_EQ(rtctlOk({"ls"}).find(" -> "), std::string::npos);

    // exit deactivates an active component first, with the same wait.
    rtctlOk({"activate", "InKorvane0"});
    rtctlOk({"exit", "InKorvane0", "InKorvaneTest0"});
    EXPECT_NE(simulatorLog().find("RECV 2 Q"), std::string::npos) << simulatorLog();
    for (ChildProcess* program : {producer.get(), consumer.get()})
      {
        ASSERT_TRUE(program->wait(kPatience)) << program->stderrText();
        EXPECT_EQ(program->exitCode(), 0) << program->stderrText();
      }
    EXPECT_EQ(rtctlOk({"ls"}), "");
  }

  TEST_F(RtctlInterop, RefusesWhatCannotWorkWithOneLineAndChangesNothing)
  {
    std::unique_ptr<ChildProcess> producer =
      startRegistered(OPENRTM_INKORVANE_COMP_PATH, "InKorvane0");
    std::unique_ptr<ChildProcess> consumer =
      startRegistered(OPENRTM_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0");
    std::unique_ptr<ChildProcess> longPort = startRegistered(LONG_PORT_COMP_PATH, "LongPort0");

    struct Case
    {
      std::vector<std::string> arguments;
      std::string message;
    };
    const std::vector<Case> cases = {
      {{"state", "Nobody"}, "no component 'Nobody'"},
      {{"activate", "InKorvaneTest0", "Nobody"}, "no component 'Nobody'"},
      {{"connect", "InKorvane0:nope", "InKorvaneTest0:inPositionData"},
       "InKorvane0 has no port 'nope' (its ports: outPositionData)"},
      {{"connect", "InKorvane0:outPositionData", "InKorvane0:outPositionData"},
       "both are out ports"},
      {{"connect", "LongPort0:in", "InKorvaneTest0:inPositionData"}, "both are in ports"},
      {{"connect", "InKorvane0:outPositionData", "LongPort0:in"},
       "data types differ (IDL:RTC/TimedString:1.0 and IDL:RTC/TimedLong:1.0)"},
      {{"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData", "-p",
        "buffer.write.full_policy=sometimes"},
       "full_policy"},
      // Ports that give no reason: the tool names both and the code they returned.
      {{"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData", "-p",
        "interface_type=nowhere"},
       "cannot connect InKorvane0:outPositionData and InKorvaneTest0:inPositionData: the ports "
       "refused ("},
      {{"disconnect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData"},
       "no connection between"},
      {{"deactivate", "InKorvane0"}, "cannot deactivate InKorvane0: it is INACTIVE"},
      {{"reset", "InKorvane0"}, "cannot reset InKorvane0: it is INACTIVE"},
      {{"conf", "InKorvane0", "Nope", "1"}, "InKorvane0 has no configuration parameter 'Nope'"},
      {{"conf", "InKorvane0", "Port", "1", "-s", "nowhere"},
       "InKorvane0 has no configuration set 'nowhere'"},
    };
    for (const Case& c : cases)
      {
        std::string command;
        for (const std::string& argument : c.arguments) { command += " " + argument; }
        const ToolResult result = rtctl(c.arguments);
        EXPECT_EQ(result.status, 1) << command << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << command << ": " << result.err;
        EXPECT_EQ(countOf(result.err, "\n"), 1u) << command << ": " << result.err;
        EXPECT_EQ(result.err.find("rtctl: "), 0u) << command << ": " << result.err;
      }
    // Nothing was connected, activated or configured on the way.
    const std::string ls = rtctlOk({"ls"});
    EXPECT_EQ(ls.find(" -> "), std::string::npos) << ls;
    EXPECT_EQ(countOf(ls, "  INACTIVE\n"), 3u) << ls;
    EXPECT_EQ(rtctlOk({"conf", "InKorvane0"}).find("Nope"), std::string::npos);
  }
}

namespace programs
{
  TEST_F(RtctlInterop, ListsStaleEntriesAndOtherObjectsAsUnreachable)
  {
    std::unique_ptr<ChildProcess> consumer =
      startRegistered(OPENRTM_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0");
    // Killed outright, it leaves its name behind.
    consumer->signal(SIGKILL);
    ASSERT_TRUE(consumer->wait(kPatience));
    ASSERT_TRUE(testsupport::bindRootContextAs(m_naming.address(), "Impostor.rtc"));

    const std::string ls = rtctlOk({"ls"});
    EXPECT_NE(ls.find("Impostor.rtc  UNREACHABLE (Impostor.rtc is not a component)\n"),
              std::string::npos)
      << ls;
    EXPECT_NE(ls.find("InKorvaneTest0.rtc  UNREACHABLE ("), std::string::npos) << ls;

    const ToolResult stale = rtctl({"state", "InKorvaneTest0"});
    EXPECT_EQ(stale.status, 1);
    EXPECT_NE(stale.err.find("rtctl: InKorvaneTest0 does not answer"), std::string::npos)
      << stale.err;
    const ToolResult impostor = rtctl({"activate", "Impostor"});
    EXPECT_EQ(impostor.status, 1);
    EXPECT_EQ(impostor.err, "rtctl: Impostor.rtc is not a component\n");
  }
}

namespace programs
{
  TEST_F(RtctlInterop, WiresAndEndsAChainOfBuiltinProducerAndOpenRtmConsumer)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    std::unique_ptr<ChildProcess> producer = startRegistered(
      BUILTIN_INKORVANE_COMP_PATH, "InKorvane0",
      {"Category.InKorvane.conf.default.Port:" + std::to_string(m_simulatorPort.number())});
    std::unique_ptr<ChildProcess> consumer =
      startRegistered(OPENRTM_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0");

    rtctlOk({"connect", "InKorvane0:outPositionData", "InKorvaneTest0:inPositionData"});
    rtctlOk({"activate", "InKorvaneTest0", "InKorvane0"});
    ASSERT_TRUE(consumer->waitForStdoutMatch(
      [](const std::string& out) { return testsupport::printedValues(out).size() >= 3; },
      kPatience))
      << consumer->stdoutText() << producer->stderrText();
    const std::string ls = rtctlOk({"ls"});
    // The built-in in port is not in this chain: no counts anywhere.
    EXPECT_EQ(countOf(ls, "InKorvane0.outPositionData -> InKorvaneTest0.inPositionData"), 2u) << ls;
    EXPECT_EQ(ls.find("dropped="), std::string::npos) << ls;

    rtctlOk({"exit", "InKorvane0", "InKorvaneTest0"});
    EXPECT_NE(simulatorLog().find("RECV 1 Q"), std::string::npos) << simulatorLog();
    for (ChildProcess* program : {producer.get(), consumer.get()})
      {
        ASSERT_TRUE(program->wait(kPatience)) << program->stderrText();
        EXPECT_EQ(program->exitCode(), 0) << program->stderrText();
      }
  }
}

namespace programs
{
  TEST_F(RtctlInterop, EchoAndHzReadAnOpenRtmProducerAndDisconnectOnSigint)
  {
    // Stamped replies all differ, so a run matches in one place only.
    std::unique_ptr<ChildProcess> simulator = startSimulator({"--stamp"});
    std::unique_ptr<ChildProcess> producer = startRegistered(
      OPENRTM_INKORVANE_COMP_PATH, "InKorvane0",
      {"Category.InKorvane.conf.default.Port:" + std::to_string(m_simulatorPort.number())});
    rtctlOk({"activate", "InKorvane0"});

    const std::string echoed = rtctlOk({"echo", "InKorvane0:outPositionData", "--count", "5"});
    EXPECT_EQ(countOf(echoed, "\n"), 5u) << echoed;
    EXPECT_TRUE(testsupport::waitUntil(
      [&] { return testsupport::isRunOf(testsupport::sentReplies(simulatorLog(), 1), echoed, 5); }))
      << echoed;

    const std::string rates = rtctlOk({"hz", "InKorvane0:outPositionData", "--count", "2"});
    EXPECT_EQ(countOf(rates, "\n"), 2u) << rates;
    EXPECT_EQ(countOf(rates, " jitter="), 2u) << rates;
    EXPECT_EQ(rates.find("rate="), 0u) << rates;
    EXPECT_NE(rates.substr(0, 8) + rates.substr(rates.find('\n') + 1, 8), "rate=0.0rate=0.0")
      << rates;
    // Each removed its connection on the way out.
    EXPECT_EQ(rtctlOk({"ls"}).find(" -> "), std::string::npos);

    // Until Ctrl-C. A producer that writes nothing keeps a connection whose reader is gone:
    // only rtctl's own disconnect removes it.
    ChildProcess echo(BUILTIN_RTCTL_PATH,
                      {"-n", m_naming.address(), "echo", "InKorvane0:outPositionData"});
    ASSERT_TRUE(echo.waitForStdoutMatch(
      [](const std::string& out) { return countOf(out, "\n") >= 2; }, kPatience))
      << echo.stderrText();
    EXPECT_EQ(countOf(rtctlOk({"ls"}), " -> "), 1u);
    rtctlOk({"deactivate", "InKorvane0"});
    echo.signal(SIGINT);
    ASSERT_TRUE(echo.wait(kPatience));
    EXPECT_EQ(echo.exitCode(), 0) << echo.stderrText();
    EXPECT_EQ(rtctlOk({"ls"}).find(" -> "), std::string::npos);

    rtctlOk({"exit", "InKorvane0"});
    ASSERT_TRUE(producer->wait(kPatience)) << producer->stderrText();
    EXPECT_EQ(producer->exitCode(), 0) << producer->stderrText();
  }

  TEST_F(RtctlInterop, EchoPrintsTheNumbersAndStampsOfAnOpenRtmTimedLongPort)
  {
    std::unique_ptr<ChildProcess> counter = startRegistered(LONG_PORT_COMP_PATH, "LongPort0");
    rtctlOk({"activate", "LongPort0"});
    const std::string echoed = rtctlOk({"echo", "LongPort0:out", "--stamp", "--count", "4"});
    // Four consecutive numbers, each stamped with itself.
    const std::string::size_type tab = echoed.find('\t');
    ASSERT_NE(tab, std::string::npos) << echoed;
    const unsigned long first = std::stoul(echoed.substr(0, tab));
    std::string expected;
    for (unsigned long n = first; n < first + 4; ++n)
      {
        expected += std::to_string(n) + ".000000000\t" + std::to_string(n) + "\n";
      }
    EXPECT_EQ(echoed, expected);
    EXPECT_EQ(rtctlOk({"ls"}).find(" -> "), std::string::npos);
  }

  // An OpenRTM-aist component without its observer module refuses rtctl's observer, and rtctl
  // says why in one line. (OpenRTM-aist 1.2.2 does not survive add_service_profile: not asked.)
  TEST_F(RtctlInterop, WatchSaysInOneLineThatAnOpenRtmComponentRefusesItsObserver)
  {
    if (std::string(OPENRTM_VERSION_TEXT).rfind("1.", 0) == 0) { GTEST_SKIP(); }
    std::unique_ptr<ChildProcess> consumer =
      startRegistered(OPENRTM_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0");
    const ToolResult refused = rtctl({"watch", "InKorvaneTest0"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "rtctl: InKorvaneTest0 refused rtctl's observer (an OpenRTM-aist "
                           "component takes one only with its ComponentObserverConsumer module "
                           "loaded)\n");
    EXPECT_EQ(rtctlOk({"state", "InKorvaneTest0"}), "INACTIVE\n");
  }

  // With its observer module loaded, an OpenRTM-aist 2.0 component takes rtctl's second observer
  // (RTC::ComponentObserver) and rtctl prints what it tells, in that interface's kinds.
  TEST_F(RtctlInterop, WatchPrintsTheNotificationsOfAnOpenRtmComponentWithItsObserverModule)
  {
    if (std::string(OPENRTM_OBSERVER_MODULE).empty() ||
        std::string(OPENRTM_VERSION_TEXT).rfind("1.", 0) == 0)
      {
        GTEST_SKIP() << "no observer module in this OpenRTM-aist build";
      }
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    const std::string port =
      "Category.InKorvane.conf.default.Port:" + std::to_string(m_simulatorPort.number());
    // Ours first: it takes its name with it when it ends, OpenRTM-aist's may leave it behind.
    const std::string ours = watchedChanges(BUILTIN_INKORVANE_COMP_PATH, {port});
    const std::string theirs =
      watchedChanges(OPENRTM_INKORVANE_COMP_PATH,
                     {port, std::string("manager.modules.preload:") + OPENRTM_OBSERVER_MODULE});
    // The first activation brings the active set into effect, and says so.
    EXPECT_EQ(theirs.rfind("CONFIGURATION UPDATE_CONFIG_SET: default\nRTC_STATUS ACTIVE:0\n", 0),
              0u)
      << theirs;
    // A built-in component tells the same kinds and hints in the same order.
    EXPECT_EQ(ours, theirs);
  }
}

namespace programs
{
  // The time stamps InKorvane's values carry, read with `rtctl echo --stamp`, on each back end,
  // the program started as a user starts it (`-f rtc.conf`) on fresh memory filled with a
  // pattern: 0 as the component leaves them (never leftover memory), or the time of day at the
  // step the connection's timestamp_policy names.
  struct StampCase
  {
    const char* name;
    const char* producer;
    std::vector<std::string> echoOptions;
    bool stamped;   // else every tm is 0
  };

  void PrintTo(const StampCase& c, std::ostream* out)
  {
    *out << c.name;
  }

  class PublishedStamps : public RtctlInterop, public ::testing::WithParamInterface<StampCase>
  {
  };

  TEST_P(PublishedStamps, AreZeroOrTheTimeOfTheNamedStepNeverDecreasing)
  {
    const StampCase& c = GetParam();
    std::unique_ptr<ChildProcess> simulator = startSimulator({"--stamp"});
    m_directory.write("rtc.conf", "corba.nameservers: " + m_naming.address() +
                                    "\n"
                                    "corba.endpoint: 127.0.0.1:\n"
                                    "naming.formats: %n.rtc\n"
                                    "exec_cxt.periodic.rate: 100\n"
                                    "logger.log_level: WARN\n"
                                    "Category.InKorvane.config_file: InKorvane.conf\n");
    m_directory.write("InKorvane.conf", "conf.default.IPAddress: 127.0.0.1\nconf.default.Port: " +
                                          std::to_string(m_simulatorPort.number()) + "\n");
    ChildProcess producer(c.producer, {"-f", m_directory.file("rtc.conf")},
                          {{"MALLOC_PERTURB_", "165"}}, m_directory.path());
    ASSERT_TRUE(testsupport::waitForName(m_naming.address(), "InKorvane0.rtc", kPatience))
      << producer.stderrText();
    rtctlOk({"activate", "InKorvane0"});

    std::vector<std::string> echo = {"echo", "InKorvane0:outPositionData", "--stamp", "--count",
                                     "20"};
    echo.insert(echo.end(), c.echoOptions.begin(), c.echoOptions.end());
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const std::string echoed = rtctlOk(echo);
    const auto until = std::chrono::system_clock::now().time_since_epoch();
    const std::vector<std::string> lines = testsupport::linesOf(echoed);
    ASSERT_EQ(lines.size(), 20u) << echoed;
    long long last = 0;
    for (const std::string& line : lines)
      {
        // "sec.nsec<tab>POS seq=..."
        const std::string::size_type dot = line.find('.');
        const std::string::size_type tab = line.find('\t');
        ASSERT_TRUE(dot != std::string::npos && tab == dot + 10) << line;
        EXPECT_EQ(line.compare(tab + 1, 4, "POS "), 0) << line;
        const long long stamp =
          std::stoll(line.substr(0, dot)) * 1000000000LL + std::stoll(line.substr(dot + 1, 9));
        if (!c.stamped)
          {
            EXPECT_EQ(stamp, 0) << line;
            continue;
          }
        EXPECT_GE(stamp, std::chrono::duration_cast<std::chrono::nanoseconds>(since).count())
          << line;
        EXPECT_LE(stamp, std::chrono::duration_cast<std::chrono::nanoseconds>(until).count())
          << line;
        EXPECT_LE(last, stamp) << line;
        last = stamp;
      }
  }

  INSTANTIATE_TEST_SUITE_P(
    BothBackEnds, PublishedStamps,
    ::testing::Values(
      StampCase{"BuiltinUnset", BUILTIN_INKORVANE_COMP_PATH, {}, false},
      StampCase{"OpenRtmUnset", OPENRTM_INKORVANE_COMP_PATH, {}, false},
      StampCase{"BuiltinOnWrite",
                BUILTIN_INKORVANE_COMP_PATH,
                {"-p", "subscription_type=new", "-p", "timestamp_policy=on_write"},
                true},
      StampCase{"OpenRtmOnWrite",
                OPENRTM_INKORVANE_COMP_PATH,
                {"-p", "subscription_type=new", "-p", "timestamp_policy=on_write"},
                true},
      StampCase{"BuiltinOnWriteFlush",
                BUILTIN_INKORVANE_COMP_PATH,
                {"-p", "timestamp_policy=on_write"},
                true},
      // OpenRTM-aist stamps on_write as its publisher queues the value, and the flush
      // subscription queues nothing: the value goes as written. Ours stamps at the write (the
      // README's back-end table says so).
      StampCase{"OpenRtmOnWriteFlush",
                OPENRTM_INKORVANE_COMP_PATH,
                {"-p", "timestamp_policy=on_write"},
                false},
      StampCase{
        "BuiltinOnSend", BUILTIN_INKORVANE_COMP_PATH, {"-p", "timestamp_policy=on_send"}, true},
      StampCase{
        "OpenRtmOnSend", OPENRTM_INKORVANE_COMP_PATH, {"-p", "timestamp_policy=on_send"}, true}),
    [](const ::testing::TestParamInfo<StampCase>& c) { return std::string(c.param.name); });
}
