// The chain under the faults users meet when it runs for days: the consumer or the naming
// service dying and coming back, a hostile position server, and many activations.
#include "ChainFixture.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>

namespace e2e
{
  namespace
  {
    using remotetest::countOf;
    using remotetest::kPatience;
    using std::chrono::seconds;

    std::size_t entriesIn(const std::string& directory)
    {
      std::size_t count = 0;
      if (DIR* dir = ::opendir(directory.c_str()))
        {
          while (dirent* entry = ::readdir(dir)) { count += entry->d_name[0] != '.'; }
          ::closedir(dir);
        }
      return count;
    }

    struct Resources
    {
      std::size_t descriptors;
      std::size_t threads;
      bool operator==(const Resources& other) const
      {
        return descriptors == other.descriptors && threads == other.threads;
      }
    };

    std::ostream& operator<<(std::ostream& out, const Resources& resources)
    {
      return out << resources.descriptors << " descriptors, " << resources.threads << " threads";
    }

    Resources resourcesOf(int pid)
    {
      const std::string proc = "/proc/" + std::to_string(pid);
      return Resources{entriesIn(proc + "/fd"), entriesIn(proc + "/task")};
    }

    long residentKiB(int pid)
    {
      std::ifstream status("/proc/" + std::to_string(pid) + "/status");
      std::string key;
      long value = 0;
      while (status >> key)
        {
          if (key == "VmRSS:" && status >> value) { return value; }
          status.ignore(1 << 20, '\n');
        }
      return -1;
    }

    // The counts once they have held still for a while: the ORB lets its idle worker threads go
    // one second after their last call (corba.args below), so a count taken right after an rtctl
    // run may still include them.
    Resources quiescentResources(int pid)
    {
      Resources last = resourcesOf(pid);
      auto stableSince = std::chrono::steady_clock::now();
      testsupport::waitUntil(
        [&] {
          const Resources now = resourcesOf(pid);
          if (!(now == last))
            {
              last = now;
              stableSince = std::chrono::steady_clock::now();
            }
          return std::chrono::steady_clock::now() - stableSince >= std::chrono::milliseconds(2500);
        },
        seconds(20), std::chrono::milliseconds(100));
      return last;
    }

    std::string joined(const std::vector<std::string>& values)
    {
      std::string all;
      for (const std::string& value : values) { all += value; }
      return all;
    }
  }

  class ChainResilience : public ChainFixture
  {
  };

  TEST_F(ChainResilience, ConsumerKilledAndRestartedWhileTheProducerRuns)
  {
    Chain chain = startActiveChain();
    std::unique_ptr<ChildProcess>& producer = chain.producer;
    std::unique_ptr<ChildProcess>& consumer = chain.consumer;
    ASSERT_TRUE(printedAtLeast(*consumer, 5));

    consumer->signal(SIGKILL);
    ASSERT_TRUE(consumer->wait(kPatience));
    const std::size_t publishedAtKill = publishedValues(producer->stdoutText()).size();
    // The producer goes on publishing, drops the dead connection once and stays active.
    ASSERT_TRUE(publishedAtLeast(*producer, publishedAtKill + 20));
    EXPECT_TRUE(producer->waitForStderr("connection dropped", kPatience)) << producer->stderrText();
    EXPECT_EQ(countOf(producer->stderrText(), "connection dropped"), 1u) << producer->stderrText();
    EXPECT_EQ(rtctlOk({"state", "InKorvane0"}), "ACTIVE\n");

    consumer = startConsumer();
    connectChain();
    rtctlOk({"activate", "InKorvaneTest0"});
    ASSERT_TRUE(printedAtLeast(*consumer, 5)) << consumer->stderrText();
    rtctlOk({"deactivate", "InKorvane0"});
    exitChain(*producer, *consumer);
  }

  TEST_F(ChainResilience, NamingServiceRestartedWhileTheChainRunsRegistersTheComponentsAgain)
  {
    Chain chain = startActiveChain();
    std::unique_ptr<ChildProcess>& producer = chain.producer;
    std::unique_ptr<ChildProcess>& consumer = chain.consumer;
    ASSERT_TRUE(printedAtLeast(*consumer, 5));

    const int port = m_naming.port();
    m_naming.stop();
    // Connections do not go through the naming service: values keep flowing without it.
    const std::size_t printedWithout = printedValues(consumer->stdoutText()).size();
    ASSERT_TRUE(printedAtLeast(*consumer, printedWithout + 20));

    testsupport::NamingService restarted(port);
    ASSERT_TRUE(restarted.ready());
    EXPECT_TRUE(waitRegistered(*producer, "InKorvane0", 2)) << producer->stderrText();
    EXPECT_TRUE(waitRegistered(*consumer, "InKorvaneTest0", 2)) << consumer->stderrText();
    EXPECT_EQ(rtctlOk({"state", "InKorvane0"}), "ACTIVE\n");
    rtctlOk({"deactivate", "InKorvane0"});
    exitChain(*producer, *consumer);
  }

  TEST_F(ChainResilience, HostileServerKeepsMemoryBoundedAndLosesNothingBeyondItsFraming)
  {
    // 1 MiB replies without line structure, sent as fast as requests come.
    std::unique_ptr<ChildProcess> simulator =
      startSimulator({"--fault", "oversized-reply", "--size", std::to_string(1 << 20)});
    std::unique_ptr<ChildProcess> producer = startProducer();
    std::unique_ptr<ChildProcess> consumer = startConsumer();
    connectChain();
    const long startKiB = residentKiB(producer->pid());
    rtctlOk({"activate", "InKorvaneTest0", "InKorvane0"});
    long peakKiB = startKiB;
    for (std::size_t count = 50; count <= 300; count += 50)
      {
        ASSERT_TRUE(printedAtLeast(*consumer, count));
        peakKiB = std::max(peakKiB, residentKiB(producer->pid()));
      }
    rtctlOk({"deactivate", "InKorvane0"});
    ASSERT_TRUE(printedAtLeast(*consumer, publishedValues(producer->stdoutText()).size()));

    // Each receive is at most 8191 bytes; together they are the server's byte stream, in order.
    const std::vector<std::string> published = publishedValues(producer->stdoutText());
    for (const std::string& value : published) { EXPECT_LE(value.size(), 8191u); }
    const std::string stream = joined(published);
    const std::string sent = joined(sentReplies(simulatorLog(), 1));
    ASSERT_LE(stream.size(), sent.size());
    EXPECT_TRUE(sent.compare(0, stream.size(), stream) == 0)
      << "the published bytes are not the sent stream";
    EXPECT_EQ(joined(printedValues(consumer->stdoutText())), stream);
    EXPECT_LT(peakKiB - startKiB, 64 * 1024)
      << "resident memory grew from " << startKiB << " KiB to " << peakKiB;
    exitChain(*producer, *consumer);
  }

  class ActivationCycles : public ChainResilience, public ::testing::WithParamInterface<std::string>
  {
  };

  TEST_P(ActivationCycles, LeaveNoDescriptorsOrThreadsBehind)
  {
    std::vector<std::string> options;
    if (GetParam() != "none") { options = {"--fault", GetParam()}; }
    std::unique_ptr<ChildProcess> simulator = startSimulator(options);
    // The ORB keeps an idle worker thread for a while after each call (20 s by default), which
    // would blur the count; let it go after one second.
    std::unique_ptr<ChildProcess> producer = startProducer({"corba.args:-ORBidleThreadTimeout 1"});
    // One cycle first: the ORB and the first connection set up what they keep for good.
    rtctlOk({"activate", "InKorvane0"});
    rtctlOk({"deactivate", "InKorvane0"});
    const Resources start = quiescentResources(producer->pid());
    for (int cycle = 0; cycle < 4; ++cycle)
      {
        rtctlOk({"activate", "InKorvane0"});
        rtctlOk({"deactivate", "InKorvane0"});
      }
    const Resources end = quiescentResources(producer->pid());
    EXPECT_EQ(end, start);
    rtctlOk({"exit", "InKorvane0"});
    ASSERT_TRUE(producer->wait(kPatience));
    EXPECT_EQ(producer->exitCode(), 0);
  }

  INSTANTIATE_TEST_SUITE_P(Servers, ActivationCycles, ::testing::Values("none", "close-at-once"),
                           [](const ::testing::TestParamInfo<std::string>& mode) {
                             return mode.param == "none" ? std::string("Answering")
                                                         : std::string("ClosingAtOnce");
                           });
}
