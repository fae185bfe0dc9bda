// rtctl echo and hz as a reader of a component's out port in another process: what they print,
// what they refuse, and that no connection is left behind however they end.
#include "RemoteFixture.h"

#include <csignal>
#include <regex>
#include <thread>

namespace remotetest
{
  namespace
  {
    using testsupport::linesOf;

    // "rate=99.9/s period=10.01ms jitter=0.31ms max_dev=1.20ms drops=0", or with "-" for the
    // three period fields.
    bool isRateLine(const std::string& line, double& rate)
    {
      static const std::regex pattern(
        R"(rate=([0-9]+\.[0-9])/s (period=[0-9]+\.[0-9]{2}ms jitter=[0-9]+\.[0-9]{2}ms )"
        R"(max_dev=[0-9]+\.[0-9]{2}ms|period=- jitter=- max_dev=-) drops=[0-9]+)");
      std::smatch match;
      if (!std::regex_match(line, match, pattern)) { return false; }
      rate = std::stod(match[1]);
      return true;
    }
  }

  class RtctlWatch : public RemoteFixture
  {
  protected:
    // A TextPort component "Texts" writing `texts` once activated, one per execution.
    std::unique_ptr<ChildProcess> startTexts(const std::vector<std::string>& texts,
                                             const std::string& more = std::string())
    {
      std::string file;
      for (const std::string& text : texts) { file += toHex(text) + "\n"; }
      m_directory.write("texts.hex", file);
      auto process = startTextPorts({"TextPort?instance_name=Texts&conf.default.Texts=" +
                                     m_directory.file("texts.hex") + more});
      EXPECT_TRUE(waitRegistered(*process, "Texts"));
      return process;
    }

    std::unique_ptr<ChildProcess> startTool(const std::vector<std::string>& arguments)
    {
      std::vector<std::string> all = {"-n", m_naming.address()};
      all.insert(all.end(), arguments.begin(), arguments.end());
      return std::unique_ptr<ChildProcess>(new ChildProcess(RTCTL_PROGRAM, all));
    }

    // Until `rtctl ls` shows `count` connections to readers of rtctl.
    bool waitForReaders(std::size_t count)
    {
      return testsupport::waitUntil([&] { return countOf(rtctlOk({"ls"}), ".in  name=") == count; },
                                    kPatience, std::chrono::milliseconds(100));
    }

    // A tool that must end by itself with `status`.
    static void expectEnds(ChildProcess& tool, int status)
    {
      ASSERT_TRUE(tool.wait(kPatience)) << "rtctl did not end";
      EXPECT_EQ(status, tool.exitCode()) << tool.stderrText();
    }
  };

  TEST_F(RtctlWatch, EchoPrintsEachValueAsWrittenWithOrWithoutItsStampAndDisconnectsAfterCount)
  {
    const std::vector<std::string> texts = {
      "plain",      "tab\there", "ends with a line feed\n", "", "bytes \xc3\xa9 \xff",
      "two\nlines", "last"};
    auto producer = startTexts(texts, "&conf.default.Stamps=1");
    const std::string count = std::to_string(texts.size());
    // Two readers at once: each gets every value.
    auto plain = startTool({"echo", "Texts:out", "--count", count});
    auto stamped = startTool({"echo", "Texts:out", "--stamp", "--count", count});
    ASSERT_TRUE(waitForReaders(2)) << rtctlOk({"ls"}) << plain->stderrText();
    rtctlOk({"activate", "Texts"});
    expectEnds(*plain, 0);
    expectEnds(*stamped, 0);

    std::string expectPlain;
    std::string expectStamped;
    for (std::size_t n = 1; n <= texts.size(); ++n)
      {
        const std::string& text = texts[n - 1];
        const std::string line = text + (!text.empty() && text.back() == '\n' ? "" : "\n");
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%zu.%09zu\t", n, 1000 * n);
        expectPlain += line;
        expectStamped += stamp + line;
      }
    EXPECT_EQ(toHex(expectPlain), toHex(plain->stdoutText()));
    EXPECT_EQ(toHex(expectStamped), toHex(stamped->stdoutText()));
    EXPECT_EQ("", plain->stderrText());
    // Both removed their connection on the way out.
    EXPECT_EQ(std::string::npos, rtctlOk({"ls"}).find(" -> "));
  }

  TEST_F(RtctlWatch, EchoAndHzRefuseWhatTheyCannotReadWithOneLine)
  {
    auto producer = startTexts({"x"});
    const testsupport::ReservedPort closed;
    const std::string silent = "127.0.0.1:" + std::to_string(closed.number());
    struct Case
    {
      std::vector<std::string> arguments;
      int status;
      std::string message;
    };
    const std::vector<Case> cases = {
      {{"echo", "Texts:in"}, 1, "cannot echo Texts:in: it is an in port"},
      {{"hz", "Texts:in"}, 1, "cannot hz Texts:in: it is an in port"},
      {{"echo", "Texts:time"},
       1,
       "cannot echo Texts:time: rtctl cannot read its data type IDL:RTC/Time:1.0 (it reads "
       "TimedString, "},
      {{"hz", "Texts:time"}, 1, "rtctl cannot read its data type IDL:RTC/Time:1.0"},
      {{"echo", "Texts:nope"}, 1, "Texts has no port 'nope' (its ports: out, in, time)"},
      {{"hz", "Nobody:out"}, 1, "no component 'Nobody'"},
      {{"echo", "Nobody:out"}, 1, "no component 'Nobody'"},
      {{"-n", silent, "echo", "Texts:out"}, 1, "the naming service at " + silent + " does not"},
      {{"echo", "Texts:out", "--count", "0"}, 2, "--count needs a whole number"},
      {{"hz", "Texts:out", "--count", "many"}, 2, "--count needs a whole number"},
      {{"echo", "Texts:out", "Texts:time"}, 2, "echo: expects one out port"},
      {{"echo", "Texts"}, 2, "expected NAME:port"},
      {{"hz", "Texts:out", "--stamp"}, 2, "unknown option '--stamp'"},
    };
    for (const Case& c : cases)
      {
        std::string command;
        for (const std::string& argument : c.arguments) { command += " " + argument; }
        const ToolResult result = rtctl(c.arguments);
        EXPECT_EQ(c.status, result.status) << command << ": " << result.err;
        EXPECT_NE(std::string::npos, result.err.find(c.message)) << command << ": " << result.err;
        EXPECT_EQ(1u, countOf(result.err, "\n")) << command << ": " << result.err;
        EXPECT_EQ(0u, result.err.find("rtctl: ")) << command << ": " << result.err;
        EXPECT_EQ("", result.out) << command;
      }
    EXPECT_EQ(std::string::npos, rtctlOk({"ls"}).find(" -> "));
  }

  TEST_F(RtctlWatch, SigintAndSigtermEndEchoAndHzWithoutLeavingTheirConnection)
  {
    std::vector<std::string> texts;
    for (int n = 0; n < 30000; ++n) { texts.push_back("n" + std::to_string(n)); }
    auto producer = startTexts(texts);
    rtctlOk({"activate", "Texts"});

    struct Case
    {
      std::string command;
      int signal;
    };
    for (const Case& c :
         {Case{"echo", SIGINT}, Case{"echo", SIGTERM}, Case{"hz", SIGINT}, Case{"hz", SIGTERM}})
      {
        SCOPED_TRACE(c.command + " " + (c.signal == SIGINT ? "SIGINT" : "SIGTERM"));
        auto tool = startTool({c.command, "Texts:out"});
        ASSERT_TRUE(tool->waitForStdoutMatch(
          [](const std::string& out) { return countOf(out, "\n") >= 2; }, kPatience))
          << tool->stderrText();
        ASSERT_TRUE(waitForReaders(1));
        // A writer that writes nothing keeps a connection whose reader is gone: only rtctl's
        // own disconnect removes it.
        rtctlOk({"deactivate", "Texts"});
        tool->signal(c.signal);
        expectEnds(*tool, 0);
        EXPECT_EQ(std::string::npos, rtctlOk({"ls"}).find(" -> "));
        rtctlOk({"activate", "Texts"});

        const std::vector<std::string> lines = linesOf(tool->stdoutText());
        if (c.command == "echo")
          {
            // A run of what was written, in order, none skipped.
            ASSERT_EQ('n', lines.front().at(0)) << lines.front();
            const int first = std::stoi(lines.front().substr(1));
            for (std::size_t i = 0; i < lines.size(); ++i)
              {
                ASSERT_EQ("n" + std::to_string(first + static_cast<int>(i)), lines[i]);
              }
            continue;
          }
        double highest = 0.0;
        for (const std::string& line : lines)
          {
            double rate = 0.0;
            EXPECT_TRUE(isRateLine(line, rate)) << line;
            highest = std::max(highest, rate);
          }
        EXPECT_GT(highest, 0.0) << tool->stdoutText();
      }
    // The writer's end went too: it writes to nobody now.
    const std::size_t unconnected = countOf(producer->stdoutText(), " unconnected\n");
    EXPECT_TRUE(producer->waitForStdoutMatch(
      [unconnected](const std::string& out) {
        return countOf(out, " unconnected\n") > unconnected;
      },
      kPatience));
  }

  TEST_F(RtctlWatch, EchoEndsAndDisconnectsWhenItsOutputPipeClosesOrTheWriterGoes)
  {
    std::vector<std::string> texts;
    for (int n = 0; n < 30000; ++n) { texts.push_back("n" + std::to_string(n)); }
    auto producer = startTexts(texts);
    rtctlOk({"activate", "Texts"});

    // rtctl's own exit status, not head's: a SIGPIPE would end it with 141 and no disconnect.
    ChildProcess pipeline(
      "/bin/sh", {"-c", "{ \"$0\" -n \"$1\" echo Texts:out; echo \"status $?\" >&2; } | head -n 3",
                  RTCTL_PROGRAM, m_naming.address()});
    ASSERT_TRUE(pipeline.wait(kPatience));
    EXPECT_EQ(3u, linesOf(pipeline.stdoutText()).size()) << pipeline.stdoutText();
    EXPECT_EQ("status 0\n", pipeline.stderrText());
    EXPECT_TRUE(waitForReaders(0)) << rtctlOk({"ls"});

    // A writer that ends its side: the reader says so and fails.
    auto echo = startTool({"echo", "Texts:out"});
    ASSERT_TRUE(waitForReaders(1));
    rtctlOk({"exit", "Texts"});
    expectEnds(*echo, 1);
    EXPECT_EQ("rtctl: the connection to Texts:out was closed (Texts ended it or is gone)\n",
              echo->stderrText());
  }

  TEST_F(RtctlWatch, HzPrintsCountLinesOfRateJitterAndDrops)
  {
    std::vector<std::string> texts(30000, "tick");
    auto producer = startTexts(texts);
    rtctlOk({"activate", "Texts"});
    auto hz = startTool({"hz", "Texts:out", "--count", "3"});
    expectEnds(*hz, 0);
    const std::vector<std::string> lines = linesOf(hz->stdoutText());
    ASSERT_EQ(3u, lines.size()) << hz->stdoutText();
    double highest = 0.0;
    for (const std::string& line : lines)
      {
        double rate = 0.0;
        EXPECT_TRUE(isRateLine(line, rate)) << line;
        highest = std::max(highest, rate);
      }
    EXPECT_GT(highest, 0.0) << hz->stdoutText();
    EXPECT_EQ(std::string::npos, rtctlOk({"ls"}).find(" -> "));
  }

  // An observer left behind would be called at its next heartbeat, found gone and dropped with
  // a warning: its absence shows that Ctrl-C removed it.
  TEST_F(RtctlWatch, WatchPrintsOneLinePerNotificationAndCtrlCRemovesItsObserver)
  {
    auto component = startTexts({"x"});
    auto watch = startTool({"watch", "Texts", "--heartbeat", "0.1"});
    ASSERT_TRUE(watch->waitForStdout("HEARTBEAT\n", kPatience)) << watch->stderrText();
    rtctlOk({"activate", "Texts"});
    rtctlOk({"deactivate", "Texts"});
    auto changes = [&] {
      std::vector<std::string> lines;
      for (const std::string& line : linesOf(watch->stdoutText()))
        {
          if (line != "HEARTBEAT") { lines.push_back(line); }
        }
      return lines;
    };
    // The first activation brings the active set into effect, and says so.
    const std::vector<std::string> expected = {"CONFIGURATION UPDATE_CONFIG_SET: default",
                                               "RTC_STATUS ACTIVE:0", "RTC_STATUS INACTIVE:0"};
    testsupport::waitUntil([&] { return changes().size() >= expected.size(); }, kPatience);
    EXPECT_EQ(expected, changes());
    watch->signal(SIGINT);
    expectEnds(*watch, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(0u, countOf(component->stderrText(), "does not answer")) << component->stderrText();
  }
}
