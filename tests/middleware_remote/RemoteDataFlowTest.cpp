// Values crossing processes: two manager processes, connected and activated with rtctl.
#include "RemoteFixture.h"

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

namespace remotetest
{
  namespace
  {
    std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix)
    {
      std::vector<std::string> lines;
      std::stringstream stream(text);
      std::string line;
      while (std::getline(stream, line))
        {
          if (line.compare(0, prefix.size(), prefix) == 0) { lines.push_back(line); }
        }
      return lines;
    }

    // The part of `ls` output that describes one component.
    std::string lsSection(const std::string& ls, const std::string& pathEnd)
    {
      std::string::size_type start = ls.find(pathEnd + "  ");
      if (start == std::string::npos) { return std::string(); }
      std::string::size_type end = start;
      // A section ends where the next unindented line starts.
      while ((end = ls.find('\n', end + 1)) != std::string::npos && end + 1 < ls.size() &&
             ls[end + 1] == ' ')
        {
        }
      return ls.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    std::string gotLine(const std::string& instance, const std::string& text)
    {
      return instance + " got " + std::to_string(text.size()) + " [" + toHex(text) + "]";
    }
  }

  class RemoteDataFlowTest : public RemoteFixture
  {
  protected:
    std::string writeTexts(const std::vector<std::string>& texts, const std::string& name = "texts")
    {
      std::string hexLines;
      for (const std::string& text : texts) { hexLines += toHex(text) + "\n"; }
      m_directory.write(name, hexLines);
      return m_directory.file(name);
    }

    // A Probe writer that keeps writing, connected to a TextPort reader, both active and
    // values arriving.
    void startFlowingPair(std::unique_ptr<ChildProcess>& writer,
                          std::unique_ptr<ChildProcess>& reader)
    {
      writer = startManager(PROBE_PROGRAM, {"naming.formats:writer/%n.rtc"});
      reader = startTextPorts({"TextPort?instance_name=Reader"});
      ASSERT_TRUE(waitRegistered(*writer, "Probe0"));
      ASSERT_TRUE(waitRegistered(*reader, "Reader"));
      rtctlOk({"conf", "writer/Probe0", "Count", "100000000"});
      rtctlOk({"connect", "writer/Probe0:out", "Reader:in"});
      rtctlOk({"activate", "Reader", "writer/Probe0"});
      ASSERT_TRUE(reader->waitForStdout("Reader got", kPatience));
    }
  };

  TEST_F(RemoteDataFlowTest, TextsArriveInOrderAndUnchangedUntilDisconnected)
  {
    std::string large;
    for (int i = 0; i < 8191; ++i) { large += static_cast<char>(1 + i % 255); }
    const std::vector<std::string> texts = {"first", "two\nlines\n",           "",
                                            large,   "\x01\t\x7f\x80\xfe\xff", "last"};
    auto writer =
      startTextPorts({"TextPort?instance_name=Writer&conf.default.Texts=" + writeTexts(texts)});
    auto reader = startTextPorts({"TextPort?instance_name=Reader"});
    ASSERT_TRUE(waitRegistered(*writer, "Writer"));
    ASSERT_TRUE(waitRegistered(*reader, "Reader"));

    EXPECT_NE(std::string::npos,
              rtctlOk({"connect", "Writer:out", "Reader:in", "-p", "buffer.length=64"})
                .find("Writer.out -> Reader.in"));
    rtctlOk({"activate", "Reader", "Writer"});
    ASSERT_TRUE(reader->waitForStdout(gotLine("Reader", "last"), kPatience))
      << reader->stdoutText();

    std::vector<std::string> expected;
    for (const std::string& text : texts) { expected.push_back(gotLine("Reader", text)); }
    EXPECT_EQ(expected, linesStartingWith(reader->stdoutText(), "Reader got"));
    EXPECT_TRUE(writer->waitForStdout("Writer sent 6 ok", kPatience));

    rtctlOk({"disconnect", "Writer:out", "Reader:in"});
    const std::string ls = rtctlOk({"ls"});
    EXPECT_EQ(std::string::npos, ls.find(" -> ")) << ls;   // gone at both ends

    // The writer's port has no connection left, and the reader gets nothing more.
    rtctlOk({"deactivate", "Writer"});
    rtctlOk({"activate", "Writer"});
    EXPECT_TRUE(writer->waitForStdout("Writer sent 6 unconnected", kPatience))
      << writer->stdoutText();
    rtctlOk({"deactivate", "Reader"});
    EXPECT_EQ(texts.size(), linesStartingWith(reader->stdoutText(), "Reader got").size());
  }

  TEST_F(RemoteDataFlowTest, FullBufferPolicyAndDroppedCountsShowInLs)
  {
    const std::vector<std::string> texts = {"v1", "v2", "v3", "v4", "v5"};
    auto writer =
      startTextPorts({"TextPort?instance_name=Writer&conf.default.Texts=" + writeTexts(texts)});
    auto reader = startTextPorts({"TextPort?instance_name=Reader"});
    ASSERT_TRUE(waitRegistered(*writer, "Writer"));
    ASSERT_TRUE(waitRegistered(*reader, "Reader"));

    rtctlOk({"connect", "Reader:in", "Writer:out", "-p", "buffer.length=2", "-p",
             "buffer.write.full_policy=do_nothing", "-p", "name=narrow"});
    rtctlOk({"activate", "Writer"});
    ASSERT_TRUE(writer->waitForStdout("Writer sent 5 ok", kPatience));

    const std::string ls = rtctlOk({"ls"});
    const std::string readerSection = lsSection(ls, "/Reader.rtc");
    const std::string writerSection = lsSection(ls, "/Writer.rtc");
    EXPECT_NE(std::string::npos, readerSection.find("Reader.rtc  INACTIVE")) << ls;
    EXPECT_NE(std::string::npos, writerSection.find("Writer.rtc  ACTIVE")) << ls;
    EXPECT_NE(std::string::npos, readerSection.find("  in  in    IDL:RTC/TimedString:1.0\n")) << ls;
    const std::string connection = "Writer.out -> Reader.in  name=narrow id=";
    // The reader counts what its buffer dropped; the writer only learns whether a put was taken.
    EXPECT_NE(std::string::npos, readerSection.find(connection)) << ls;
    EXPECT_NE(std::string::npos, readerSection.find(" buffer=2,do_nothing dropped=3\n")) << ls;
    EXPECT_NE(std::string::npos, writerSection.find(connection)) << ls;
    EXPECT_NE(std::string::npos, writerSection.find(" buffer=2,do_nothing\n")) << ls;

    // do_nothing kept the oldest values.
    rtctlOk({"activate", "Reader"});
    ASSERT_TRUE(reader->waitForStdout(gotLine("Reader", "v2"), kPatience));
    rtctlOk({"deactivate", "Reader"});
    EXPECT_EQ((std::vector<std::string>{gotLine("Reader", "v1"), gotLine("Reader", "v2")}),
              linesStartingWith(reader->stdoutText(), "Reader got"));
  }

  TEST_F(RemoteDataFlowTest, TwoWritersFeedOneReaderEveryValueOnceEachWriterInOrder)
  {
    // Two processes, so the values arrive interleaved on different ORB threads.
    const int count = 30;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (const std::string name : {"A", "B"})
      {
        std::vector<std::string> texts;
        for (int i = 1; i <= count; ++i) { texts.push_back(name + std::to_string(i)); }
        writers.push_back(startTextPorts(
          {"TextPort?instance_name=" + name + "&conf.default.Texts=" + writeTexts(texts, name)}));
        ASSERT_TRUE(waitRegistered(*writers.back(), name));
      }
    auto reader = startTextPorts({"TextPort?instance_name=Reader"});
    ASSERT_TRUE(waitRegistered(*reader, "Reader"));
    for (const std::string name : {"A", "B"})
      {
        rtctlOk({"connect", name + ":out", "Reader:in", "-p", "buffer.length=64"});
      }
    rtctlOk({"activate", "Reader", "A", "B"});
    for (const std::string name : {"A", "B"})
      {
        ASSERT_TRUE(
          reader->waitForStdout(gotLine("Reader", name + std::to_string(count)), kPatience))
          << reader->stdoutText();
      }

    const std::vector<std::string> got = linesStartingWith(reader->stdoutText(), "Reader got");
    EXPECT_EQ(2u * count, got.size());
    for (const std::string name : {"A", "B"})
      {
        std::vector<std::string> expected;
        std::vector<std::string> seen;
        for (int i = 1; i <= count; ++i)
          {
            expected.push_back(gotLine("Reader", name + std::to_string(i)));
          }
        for (const std::string& line : got)
          {
            if (line.find(" [" + toHex(name)) != std::string::npos) { seen.push_back(line); }
          }
        EXPECT_EQ(expected, seen) << name;
      }
  }

  TEST_F(RemoteDataFlowTest, WriterWhoseOrbClosesIdleLinksKeepsItsConnectionThroughSilence)
  {
    // The writer's ORB closes a link idle for 2 s, so every 3 s liveness call of the reader
    // meets a closed link.
    auto writer =
      startTextPorts({"TextPort?instance_name=Writer&conf.default.Texts=" + writeTexts({"ping"})},
                     {"corba.args:-ORBinConScanPeriod 2"});
    auto reader = startTextPorts({"TextPort?instance_name=Reader"}, {"naming.update.interval:3"});
    ASSERT_TRUE(waitRegistered(*writer, "Writer"));
    ASSERT_TRUE(waitRegistered(*reader, "Reader"));
    rtctlOk({"connect", "Writer:out", "Reader:in"});
    rtctlOk({"activate", "Reader", "Writer"});
    ASSERT_TRUE(reader->waitForStdout(gotLine("Reader", "ping"), kPatience));

    std::this_thread::sleep_for(std::chrono::seconds(10));
    rtctlOk({"deactivate", "Writer"});
    rtctlOk({"activate", "Writer"});
    EXPECT_TRUE(testsupport::waitUntil(
      [&] { return linesStartingWith(reader->stdoutText(), "Reader got").size() == 2; }, kPatience))
      << reader->stdoutText();
    EXPECT_EQ(std::string::npos, reader->stderrText().find("is gone")) << reader->stderrText();
  }

  // Connector options across processes: five values written while the reader is inactive,
  // then what the reader prints once active, or the one refusal.
  struct ConnectorOptionCase
  {
    const char* name;
    std::vector<std::string> options;   // rtctl connect -p
    std::vector<std::string> printed;   // or, when refused:
    const char* refusal;
  };

  void PrintTo(const ConnectorOptionCase& c, std::ostream* out)
  {
    *out << c.name;
  }

  class ConnectorOptions : public RemoteDataFlowTest,
                           public ::testing::WithParamInterface<ConnectorOptionCase>
  {
  };

  TEST_P(ConnectorOptions, ReaderPrintsWhatTheOptionKeeps)
  {
    const ConnectorOptionCase& c = GetParam();
    auto writer = startTextPorts({"TextPort?instance_name=Writer&conf.default.Texts=" +
                                  writeTexts({"v1", "v2", "v3", "v4", "v5"})});
    auto reader = startTextPorts({"TextPort?instance_name=Reader"});
    ASSERT_TRUE(waitRegistered(*writer, "Writer"));
    ASSERT_TRUE(waitRegistered(*reader, "Reader"));
    std::vector<std::string> connect = {"connect", "Writer:out", "Reader:in"};
    for (const std::string& option : c.options) { connect.insert(connect.end(), {"-p", option}); }
    const ToolResult result = rtctl(connect);
    if (c.refusal != nullptr)
      {
        EXPECT_NE(0, result.status);
        EXPECT_NE(std::string::npos, result.err.find(c.refusal)) << result.err;
        EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Writer"}));
        EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Reader"}));
        return;
      }
    ASSERT_EQ(0, result.status) << result.err;
    rtctlOk({"activate", "Writer"});
    ASSERT_TRUE(writer->waitForStdout("Writer sent 5", kPatience));
    rtctlOk({"activate", "Reader"});
    std::vector<std::string> expected;
    for (const std::string& text : c.printed) { expected.push_back(gotLine("Reader", text)); }
    ASSERT_TRUE(reader->waitForStdout(expected.back(), kPatience)) << reader->stdoutText();
    rtctlOk({"deactivate", "Reader"});
    EXPECT_EQ(expected, linesStartingWith(reader->stdoutText(), "Reader got"));
  }

  INSTANTIATE_TEST_SUITE_P(
    Table, ConnectorOptions,
    ::testing::Values(
      ConnectorOptionCase{"Fifo",
                          {"subscription_type=new", "publisher.push_policy=fifo"},
                          {"v1", "v2", "v3", "v4", "v5"},
                          nullptr},
      ConnectorOptionCase{
        "SkipOne",
        {"subscription_type=new", "publisher.push_policy=skip", "publisher.skip_count=1"},
        {"v2", "v4"},
        nullptr},
      ConnectorOptionCase{
        "InportBufferKeys",
        {"dataport.inport.buffer.length=2", "dataport.inport.buffer.write.full_policy=do_nothing"},
        {"v1", "v2"},
        nullptr},
      ConnectorOptionCase{
        "BlockTimesOut",
        {"buffer.length=2", "buffer.write.full_policy=block", "buffer.write.timeout=0.05"},
        {"v1", "v2"},
        nullptr},
      ConnectorOptionCase{"UnknownPolicy",
                          {"publisher.push_policy=fifty"},
                          {},
                          "publisher.push_policy must be all, fifo, skip or new, got 'fifty'"},
      ConnectorOptionCase{"NegativeSkipCount",
                          {"publisher.skip_count=-1"},
                          {},
                          "publisher.skip_count must be a number from 0 to 1000000, got '-1'"},
      ConnectorOptionCase{
        "BlockTimeOutNotANumber",
        {"buffer.write.full_policy=block", "buffer.write.timeout=soon"},
        {},
        "buffer.write.timeout must be a number of seconds from 0 to 3600, got 'soon'"}),
    [](const ::testing::TestParamInfo<ConnectorOptionCase>& c) {
      return std::string(c.param.name);
    });

  // One end of a flowing pair, as rtctl and its program name it.
  struct PairEnd
  {
    const char* path;
    const char* lsPath;
    const char* deactivatedLine;
  };

  const PairEnd kWriterEnd = {"writer/Probe0", "writer/Probe0.rtc", "Probe0 onDeactivated"};
  const PairEnd kReaderEnd = {"Reader", "/Reader.rtc", "Reader deactivated"};

  struct PeerFault
  {
    const char* name;
    bool readerFails;
    int signal;                    // SIGKILL, or SIGSTOP for a process that hangs
    const char* survivorMessage;   // what the other end says, once
  };

  void PrintTo(const PeerFault& fault, std::ostream* out)
  {
    *out << fault.name;
  }

  class PeerFaults : public RemoteDataFlowTest, public ::testing::WithParamInterface<PeerFault>
  {
  };

  TEST_P(PeerFaults, TheOtherEndDropsTheConnectionAndGoesOn)
  {
    const PeerFault& fault = GetParam();
    std::unique_ptr<ChildProcess> writer;
    std::unique_ptr<ChildProcess> reader;
    ASSERT_NO_FATAL_FAILURE(startFlowingPair(writer, reader));
    ChildProcess& failing = fault.readerFails ? *reader : *writer;
    ChildProcess& survivor = fault.readerFails ? *writer : *reader;
    const PairEnd& failingEnd = fault.readerFails ? kReaderEnd : kWriterEnd;
    const PairEnd& survivingEnd = fault.readerFails ? kWriterEnd : kReaderEnd;

    // A stopped process keeps its sockets open: only the call time-out can tell.
    failing.signal(fault.signal);
    if (fault.signal == SIGKILL) { ASSERT_TRUE(failing.wait(kPatience)); }
    ASSERT_TRUE(survivor.waitForStderr(fault.survivorMessage, kPatience)) << survivor.stderrText();
    EXPECT_EQ(1u, countOf(survivor.stderrText(), fault.survivorMessage));
    EXPECT_EQ("ACTIVE\n", rtctlOk({"state", survivingEnd.path}));
    if (fault.signal == SIGKILL)
      {
        const std::string ls = rtctlOk({"ls"});
        EXPECT_EQ(std::string::npos, lsSection(ls, survivingEnd.lsPath).find(" -> ")) << ls;
        EXPECT_NE(std::string::npos, lsSection(ls, failingEnd.lsPath).find("UNREACHABLE")) << ls;
      }
    // Its execution context still serves requests between cycles.
    rtctlOk({"deactivate", survivingEnd.path});
    EXPECT_TRUE(survivor.waitForStdout(survivingEnd.deactivatedLine, kPatience));
    EXPECT_TRUE(survivor.running());
    if (fault.signal != SIGSTOP) { return; }

    // Woken up, the reader loses its end too (the writer tells its port, or it finds the end
    // abandoned itself) rather than keep an end no writer feeds.
    reader->signal(SIGCONT);
    bool gone = false;
    for (int attempt = 0; attempt < 60 && !gone; ++attempt)
      {
        gone = rtctlOk({"ls"}).find(" -> ") == std::string::npos;
        if (!gone) { std::this_thread::sleep_for(std::chrono::milliseconds(500)); }
      }
    EXPECT_TRUE(gone) << rtctlOk({"ls"}) << reader->stderrText();
  }

  INSTANTIATE_TEST_SUITE_P(
    Ends, PeerFaults,
    ::testing::Values(PeerFault{"KilledReader", true, SIGKILL, "connection dropped"},
                      PeerFault{"HungReader", true, SIGSTOP, "connection dropped"},
                      PeerFault{
                        "KilledWriter", false, SIGKILL,
                        "writer of connection 'Probe0.out:Reader.in' is gone; connection dropped"}),
    [](const ::testing::TestParamInfo<PeerFault>& fault) { return std::string(fault.param.name); });
}
