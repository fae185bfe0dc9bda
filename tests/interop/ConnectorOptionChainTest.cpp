// Each connector option in three chains run side by side under the same load: OpenRTM-aist's own
// pair (the reference), a built-in producer feeding an OpenRTM-aist consumer, and an OpenRTM-aist
// producer feeding a built-in consumer. The six programs run once for the whole table; each row
// connects the three pairs with its options, lets values flow, stops the position server so the
// producers publish no more, lets the consumers drain and disconnects. Which values a consumer
// prints depends on timing, so each row compares one characteristic of them with the reference's.
#include "NamingLookup.h"
#include "ProgramFixture.h"

#include <csignal>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace interop
{
  using namespace programs;

  struct Direction
  {
    const char* name;
    const char* producer;
    const char* consumer;
    const char* context;   // naming context of both programs, so the three pairs' names differ
  };

  const Direction kDirections[] = {
    {"OpenRtmPair", OPENRTM_INKORVANE_COMP_PATH, OPENRTM_INKORVANE_TEST_COMP_PATH, "pair"},
    {"BuiltinToOpenRtm", BUILTIN_INKORVANE_COMP_PATH, OPENRTM_INKORVANE_TEST_COMP_PATH, "ours"},
    {"OpenRtmToBuiltin", OPENRTM_INKORVANE_COMP_PATH, BUILTIN_INKORVANE_TEST_COMP_PATH, "theirs"},
  };
  const std::size_t kReference = 0;
  const std::size_t kDirectionCount = sizeof(kDirections) / sizeof(kDirections[0]);

  // The producer publishes at 100 Hz; a fast consumer keeps up, a slow one does not.
  const int kFastConsumer = 200;
  const int kSlowConsumer = 25;

  // What a row compares.
  enum class Trait
  {
    EveryValue,      // each value once, in order, up to the last one published
    Contiguous,      // each value once, in order, from the first printed to the last printed
    NewestKept,      // in order; the last `newest` published are the last printed
    NewestDropped,   // in order; they are not (a full buffer refused them)
    Gaps,            // in order; the distance most consecutive values printed are apart
    Share,           // in order; the share of the values published that was printed
  };

  struct OptionCase
  {
    const char* name;
    std::vector<std::string> options;   // rtctl connect -p
    int consumerRate;
    Trait trait;
    // NewestKept / NewestDropped: how many newest values (the reader's buffer length); Gaps: the
    // usual distance OpenRTM-aist's pair shows (now and then its publisher sends a batch
    // differently).
    std::size_t count;
  };

  const OptionCase kCases[] = {
    {"Flush", {"buffer.length=8"}, kFastConsumer, Trait::EveryValue, 0},
    // OpenRTM-aist's publisher may keep its last values until the next write: the values up to
    // the last one printed are compared.
    {"PushAll",
     {"subscription_type=new", "publisher.push_policy=all", "buffer.length=64"},
     kFastConsumer,
     Trait::Contiguous,
     0},
    {"PushFifo",
     {"subscription_type=new", "publisher.push_policy=fifo", "buffer.length=64"},
     kFastConsumer,
     Trait::Contiguous,
     0},
    {"PushSkipTwo",
     {"subscription_type=new", "publisher.push_policy=skip", "publisher.skip_count=2",
      "buffer.length=64"},
     kFastConsumer,
     Trait::Gaps,
     3},
    {"PushNew",
     {"subscription_type=new", "publisher.push_policy=new", "buffer.length=64"},
     kFastConsumer,
     Trait::Share,
     0},
    {"FullOverwrite",
     {"buffer.length=4", "buffer.write.full_policy=overwrite"},
     kSlowConsumer,
     Trait::NewestKept,
     4},
    {"FullDoNothing",
     {"buffer.length=4", "buffer.write.full_policy=do_nothing"},
     kSlowConsumer,
     Trait::NewestDropped,
     4},
    // The writer waits for room, longer than the slow reader takes to make it, so it is held
    // to the reader's pace and loses little or nothing (OpenRTM-aist 2.0.2's in port wakes it
    // late and lets a value go now and then, where 1.2.2's loses none).
    {"FullBlock",
     {"buffer.length=4", "buffer.write.full_policy=block", "buffer.write.timeout=0.1"},
     kSlowConsumer,
     Trait::Share,
     0},
    // A reader that takes its time (its buffer blocks the puts): push_policy new sends the
    // newest value waiting, about as many as the reader takes. (Short write time-outs: OpenRTM-aist
    // 2.0.2's consumer aborts when a connection goes while a put still waits in its buffer.)
    {"PushNewSlowReader",
     {"subscription_type=new", "publisher.push_policy=new", "buffer.length=4",
      "buffer.write.full_policy=block", "buffer.write.timeout=0.1"},
     kSlowConsumer,
     Trait::Share,
     0},
    // InKorvaneTest asks isNew() before read(): an empty policy must change nothing it prints.
    {"EmptyBlock",
     {"buffer.read.empty_policy=block", "buffer.read.timeout=0.05"},
     kFastConsumer,
     Trait::EveryValue,
     0},
    // As RT System Editor writes them: the in port's keys win over the plain ones at the reader...
    {"InportKeys",
     {"buffer.length=256", "buffer.write.full_policy=overwrite", "dataport.inport.buffer.length=4",
      "dataport.inport.buffer.write.full_policy=do_nothing"},
     kSlowConsumer,
     Trait::NewestDropped,
     4},
    // ...and the out port's stay at the writer.
    {"OutportKeys",
     {"buffer.length=4", "buffer.write.full_policy=overwrite", "dataport.outport.buffer.length=256",
      "dataport.outport.buffer.write.full_policy=do_nothing"},
     kSlowConsumer,
     Trait::NewestKept,
     4},
  };

  // The sequence numbers of the simulator's generated replies ("POS seq=12 ..."); -1 for a
  // value without one.
  std::vector<long> sequenceNumbers(const std::vector<std::string>& values)
  {
    std::vector<long> numbers;
    for (const std::string& value : values)
      {
        const std::string::size_type at = value.find("seq=");
        numbers.push_back(at == std::string::npos ? -1 : std::atol(value.c_str() + at + 4));
      }
    return numbers;
  }

  // What one consumer printed in one row, against what its producer had published by the end.
  struct Seen
  {
    std::vector<long> printed;
    long lastPublished = -1;

    bool inOrderOnce() const
    {
      for (std::size_t i = 1; i < printed.size(); ++i)
        {
          if (printed[i] <= printed[i - 1]) { return false; }
        }
      return !printed.empty() && printed.front() > 0;
    }
    std::set<long> gaps() const
    {
      std::set<long> gaps;
      for (std::size_t i = 1; i < printed.size(); ++i) { gaps.insert(printed[i] - printed[i - 1]); }
      return gaps;
    }
    // The distance between consecutive values printed that occurs most often (0: none).
    long usualGap() const
    {
      std::map<long, std::size_t> counts;
      for (std::size_t i = 1; i < printed.size(); ++i) { ++counts[printed[i] - printed[i - 1]]; }
      long usual = 0;
      std::size_t most = 0;
      for (const auto& count : counts)
        {
          if (count.second > most)
            {
              usual = count.first;
              most = count.second;
            }
        }
      return usual;
    }
    bool everyValue() const
    {
      const std::set<long> seen = gaps();
      return inOrderOnce() && (seen.empty() || seen == std::set<long>{1}) &&
             printed.back() == lastPublished;
    }
    bool newestKept(std::size_t count) const
    {
      if (!inOrderOnce() || printed.size() < count) { return false; }
      for (std::size_t i = 0; i < count; ++i)
        {
          if (printed[printed.size() - 1 - i] != lastPublished - static_cast<long>(i))
            {
              return false;
            }
        }
      return true;
    }
    double share() const
    {
      return inOrderOnce() ? double(printed.size()) / double(lastPublished - printed.front() + 1)
                           : 0.0;
    }
    // The characteristic `trait` looks at, in words; Share is compared as a number.
    std::string describe(Trait trait, std::size_t count) const
    {
      std::ostringstream text;
      if (!inOrderOnce()) { return "out of order or repeated"; }
      switch (trait)
        {
        case Trait::EveryValue:
          text << (everyValue() ? "every value once, in order" : "in order, some missing");
          break;
        case Trait::Contiguous:
          text << (gaps().size() <= 1 && gaps().count(1) == gaps().size() ? "in order, no gaps"
                                                                          : "in order, gaps");
          break;
        case Trait::NewestKept:
        case Trait::NewestDropped:
          text << "in order, the newest " << count << (newestKept(count) ? " kept" : " dropped");
          break;
        case Trait::Gaps: text << "in order, mostly " << usualGap() << " apart"; break;
        case Trait::Share: text << "in order"; break;
        }
      return text.str();
    }
  };

  // What OpenRTM-aist's own pair shows for a row, in the words of Seen::describe.
  std::string expectedOfReference(const OptionCase& c)
  {
    const std::string newest = "in order, the newest " + std::to_string(c.count);
    switch (c.trait)
      {
      case Trait::EveryValue: return "every value once, in order";
      case Trait::Contiguous: return "in order, no gaps";
      case Trait::NewestKept: return newest + " kept";
      case Trait::NewestDropped: return newest + " dropped";
      case Trait::Gaps: return "in order, mostly " + std::to_string(c.count) + " apart";
      case Trait::Share: break;
      }
    return "in order";
  }

  std::string listed(const Seen& seen)
  {
    std::ostringstream text;
    text << "last published " << seen.lastPublished << ", printed:";
    for (long number : seen.printed) { text << " " << number; }
    return text.str();
  }

  class ConnectorOptionChain : public ProgramFixture
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    std::vector<std::string> namingOptions(const Direction& direction) const
    {
      return {"naming.enable:YES", "corba.nameservers:" + m_naming.address(),
              std::string("naming.formats:") + direction.context + ".host_cxt/%n.rtc"};
    }

    static std::string name(const Direction& direction, const std::string& instance)
    {
      return std::string(direction.context) + ".host_cxt/" + instance;
    }

    // Starts the three pairs, each component active, nothing connected.
    void startPairs()
    {
      for (const Direction& direction : kDirections)
        {
          std::vector<std::string> options = namingOptions(direction);
          options.push_back("Category.InKorvane.conf.default.Port:" +
                            std::to_string(m_simulatorPort.number()));
          options.push_back("manager.components.preactivation:InKorvane0");
          m_producers.push_back(startProgram(direction.producer, options));
          options = namingOptions(direction);
          options.push_back("manager.components.preactivation:InKorvaneTest0");
          m_consumers.push_back(startProgram(direction.consumer, options));
        }
      for (std::size_t d = 0; d < kDirectionCount; ++d)
        {
          for (const char* instance : {"InKorvane0.rtc", "InKorvaneTest0.rtc"})
            {
              ASSERT_TRUE(testsupport::waitForName(m_naming.address(),
                                                   name(kDirections[d], instance), kPatience))
                << instance << " of " << kDirections[d].name << m_producers[d]->stderrText()
                << m_consumers[d]->stderrText();
            }
        }
    }

    // Runs one rtctl command per pair at once; each must succeed.
    void rtctlForEachPair(const std::function<std::vector<std::string>(const Direction&)>& command)
    {
      std::vector<std::unique_ptr<ChildProcess>> tools;
      for (const Direction& direction : kDirections)
        {
          std::vector<std::string> arguments = {"-n", m_naming.address()};
          const std::vector<std::string> rest = command(direction);
          arguments.insert(arguments.end(), rest.begin(), rest.end());
          tools.emplace_back(new ChildProcess(BUILTIN_RTCTL_PATH, arguments));
        }
      for (std::size_t d = 0; d < kDirectionCount; ++d)
        {
          ASSERT_TRUE(tools[d]->wait(kPatience)) << kDirections[d].name;
          ASSERT_EQ(0, tools[d]->exitCode())
            << kDirections[d].name << ": " << tools[d]->stderrText() << "producer ("
            << (m_producers[d]->running() ? "running" : "ended") << "):\n"
            << m_producers[d]->stderrText() << "consumer ("
            << (m_consumers[d]->running() ? "running" : "ended") << ", signal "
            << m_consumers[d]->termSignal() << "):\n"
            << m_consumers[d]->stderrText();
        }
    }

    std::vector<std::size_t> printedCounts()
    {
      std::vector<std::size_t> counts;
      for (auto& consumer : m_consumers)
        {
          counts.push_back(testsupport::printedValues(consumer->stdoutText()).size());
        }
      return counts;
    }

    // Waits until no consumer has printed anything for a while (bounded: the producers give up
    // on a server that stays silent for 5 s).
    void waitDrained()
    {
      std::vector<std::size_t> last = printedCounts();
      auto quietSince = std::chrono::steady_clock::now();
      testsupport::waitUntil(
        [&] {
          const std::vector<std::size_t> now = printedCounts();
          if (now != last)
            {
              last = now;
              quietSince = std::chrono::steady_clock::now();
            }
          return std::chrono::steady_clock::now() - quietSince > std::chrono::milliseconds(400);
        },
        std::chrono::seconds(3), std::chrono::milliseconds(50));
    }

    // One row in all three pairs: what each consumer printed while connected with `c`'s options.
    std::vector<Seen> runRow(const OptionCase& c)
    {
      rtctlForEachPair([&](const Direction& direction) {
        return std::vector<std::string>{"rate", name(direction, "InKorvaneTest0"),
                                        std::to_string(c.consumerRate)};
      });
      const std::vector<std::size_t> before = printedCounts();
      rtctlForEachPair([&](const Direction& direction) {
        std::vector<std::string> arguments = {
          "connect", name(direction, "InKorvane0") + ":outPositionData",
          name(direction, "InKorvaneTest0") + ":inPositionData"};
        for (const std::string& option : c.options)
          {
            arguments.insert(arguments.end(), {"-p", option});
          }
        return arguments;
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(1200));
      m_simulator->signal(SIGSTOP);
      waitDrained();
      std::vector<Seen> seen(kDirectionCount);
      for (std::size_t d = 0; d < kDirectionCount; ++d)
        {
          const std::vector<std::string> printed =
            testsupport::printedValues(m_consumers[d]->stdoutText());
          seen[d].printed = sequenceNumbers(std::vector<std::string>(
            printed.begin() + static_cast<std::ptrdiff_t>(std::min(before[d], printed.size())),
            printed.end()));
          const std::vector<long> published =
            sequenceNumbers(testsupport::publishedValues(m_producers[d]->stdoutText()));
          if (!published.empty()) { seen[d].lastPublished = published.back(); }
        }
      // Disconnected before the server goes on, so that no value of this row is left over.
      rtctlForEachPair([&](const Direction& direction) {
        return std::vector<std::string>{"disconnect",
                                        name(direction, "InKorvane0") + ":outPositionData",
                                        name(direction, "InKorvaneTest0") + ":inPositionData"};
      });
      m_simulator->signal(SIGCONT);
      return seen;
    }

    testsupport::NamingService m_naming;
    std::unique_ptr<ChildProcess> m_simulator;
    std::vector<std::unique_ptr<ChildProcess>> m_producers;
    std::vector<std::unique_ptr<ChildProcess>> m_consumers;
  };

  TEST_F(ConnectorOptionChain, MixedChainsSeeWhatOpenRtmsOwnPairSeesForEachOption)
  {
    m_simulator = startSimulator();
    ASSERT_NO_FATAL_FAILURE(startPairs());
    for (const OptionCase& c : kCases)
      {
        SCOPED_TRACE(c.name);
        std::vector<Seen> seen;
        ASSERT_NO_FATAL_FAILURE(seen = runRow(c));
        const Seen& reference = seen[kReference];
        // A reference that saw next to nothing would make every comparison pass.
        ASSERT_GE(reference.printed.size(), 10u) << listed(reference);
        EXPECT_EQ(reference.describe(c.trait, c.count), expectedOfReference(c))
          << listed(reference);
        for (std::size_t d = kReference + 1; d < kDirectionCount; ++d)
          {
            SCOPED_TRACE(kDirections[d].name);
            EXPECT_EQ(seen[d].describe(c.trait, c.count), reference.describe(c.trait, c.count))
              << listed(seen[d]) << "\nreference " << listed(reference);
            if (c.trait == Trait::Share)
              {
                EXPECT_NEAR(seen[d].share(), reference.share(), 0.3)
                  << listed(seen[d]) << "\nreference " << listed(reference);
              }
          }
      }
    for (std::size_t d = 0; d < kDirectionCount; ++d)
      {
        for (ChildProcess* program : {m_producers[d].get(), m_consumers[d].get()})
          {
            EXPECT_EQ(0u, countOf(program->stderrText(), "refused")) << program->stderrText();
            EXPECT_TRUE(program->running()) << kDirections[d].name << program->stderrText();
          }
      }
  }
}
