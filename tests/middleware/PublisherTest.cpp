// The `new` subscription's publisher in one process, in front of a reader that can be held:
// the writer never waits, the push policies keep what they promise, close() is bounded while
// the reader hangs, a failed reader is dropped once, and no thread outlives its connection.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/OutPort.h>

#include "ChainOutput.h"
#include "PortConnect.h"
#include "PublisherConnector.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;

  // What the held reader saw; shared with the test, which outlives nothing it points to.
  struct Reader
  {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;          // while false, each delivery waits (at most `hold`)
    milliseconds hold{10000};   // a held delivery then fails, like a call that timed out
    int entered = 0;
    bool closed = false;
    std::vector<int> received;

    void release()
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = true;
      changed.notify_all();
    }
    bool waitEntered(int count)
    {
      std::unique_lock<std::mutex> lock(mutex);
      return changed.wait_for(lock, std::chrono::seconds(10), [&] { return entered >= count; });
    }
    std::vector<int> values()
    {
      std::lock_guard<std::mutex> lock(mutex);
      return received;
    }
  };

  class HeldConnector : public RTC::OutPortConnector
  {
  public:
    HeldConnector(const RTC::ConnectionSettings& settings, std::shared_ptr<Reader> reader)
      : OutPortConnector(settings), m_reader(std::move(reader))
    {
    }
    bool deliver(RTC::OutgoingValue& value) override
    {
      std::unique_lock<std::mutex> lock(m_reader->mutex);
      ++m_reader->entered;
      m_reader->changed.notify_all();
      if (!m_reader->changed.wait_for(lock, m_reader->hold, [this] { return m_reader->open; }))
        {
          return false;
        }
      m_reader->received.push_back(value.native().empty() ? -1 : value.native().front());
      return true;
    }
    void close() override
    {
      std::lock_guard<std::mutex> lock(m_reader->mutex);
      m_reader->closed = true;
    }
    RTC::ConnectionStatus status() override { return RTC::ConnectionStatus{settings(), 0, 0}; }

  private:
    std::shared_ptr<Reader> m_reader;
  };

  RTC::ConnectionSettings publisherSettings(bool pushAll, std::size_t length = 8)
  {
    RTC::ConnectionSettings settings;
    settings.id = "publisher-test";
    settings.name = "out_in";
    settings.bufferLength = length;
    settings.publisherThread = true;
    settings.pushPolicy = pushAll ? RTC::PushPolicy::All : RTC::PushPolicy::New;
    return settings;
  }

  std::unique_ptr<RTC::PublisherConnector> publisherFor(const std::shared_ptr<Reader>& reader,
                                                        bool pushAll, std::size_t length = 8,
                                                        bool swapped = false)
  {
    return std::unique_ptr<RTC::PublisherConnector>(
      new RTC::PublisherConnector(publisherSettings(pushAll, length),
                                  std::unique_ptr<RTC::OutPortConnector>(
                                    new HeldConnector(publisherSettings(pushAll, length), reader)),
                                  swapped, milliseconds(2000)));
  }

  // The other byte order of a one-byte test value is that byte plus 100.
  bool swappedEncoder(const void* value, RTC::EncodedValue& out)
  {
    out = RTC::EncodedValue{static_cast<unsigned char>(*static_cast<const int*>(value) + 100)};
    return true;
  }

  // Hands `from`..`to` to the connector; true when each deliver() returned true.
  bool write(RTC::OutPortConnector& connector, int from, int to)
  {
    bool all = true;
    for (int i = from; i <= to; ++i)
      {
        const RTC::EncodedValue native{static_cast<unsigned char>(i)};
        RTC::OutgoingValue value(native, &swappedEncoder, &i);
        all = connector.deliver(value) && all;
      }
    return all;
  }

  std::vector<int> range(int from, int to)
  {
    std::vector<int> values;
    for (int i = from; i <= to; ++i) { values.push_back(i); }
    return values;
  }

  std::size_t threadCount()
  {
    std::size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/task"))
      {
        while (dirent* entry = ::readdir(dir)) { count += entry->d_name[0] != '.'; }
        ::closedir(dir);
      }
    return count;
  }

  // The threads of this process once a thread has come and gone: a sanitizer's runtime starts a
  // helper thread of its own with the first thread, which must not count as a publisher's.
  std::size_t threadsAtRest()
  {
    std::thread([] {}).join();
    return threadCount();
  }

  // Threads end just after join() returns on some kernels' accounting: wait a bounded while.
  bool threadsBackTo(std::size_t count)
  {
    return testsupport::waitUntil([count] { return threadCount() == count; });
  }
}

TEST(Publisher, PushAllDeliversEveryValueInOrderThenDropsTheOldestWhenFull)
{
  auto reader = std::make_shared<Reader>();
  auto publisher = publisherFor(reader, true, 8);
  // Value 1 is held at the reader; 2..9 fill the publisher's buffer of 8.
  ASSERT_TRUE(write(*publisher, 1, 1));
  ASSERT_TRUE(reader->waitEntered(1));
  ASSERT_TRUE(write(*publisher, 2, 9));
  EXPECT_EQ(0u, publisher->status().dropped);
  // Three more: 2, 3 and 4 are dropped for them, oldest first.
  ASSERT_TRUE(write(*publisher, 10, 12));
  EXPECT_EQ(3u, publisher->status().dropped);
  reader->release();
  publisher->close();
  std::vector<int> expected = {1};
  for (int i = 5; i <= 12; ++i) { expected.push_back(i); }
  EXPECT_EQ(expected, reader->values()) << "close() delivers what is queued";
  EXPECT_TRUE(reader->closed);
}

// The writer's full policy decides what a full queue loses: overwrite the oldest waiting value,
// do_nothing and a block that times out the new one; a block whose reader makes room in time
// loses nothing.
TEST(Publisher, TheWritersFullPolicyDecidesWhatAFullQueueLoses)
{
  struct Case
  {
    const char* policy;
    double writeTimeout;
    bool releaseWhileWriting;
    std::vector<int> delivered;
    unsigned long long dropped;
  };
  std::vector<int> overwritten = {1};
  for (int i = 5; i <= 12; ++i) { overwritten.push_back(i); }
  const Case cases[] = {
    {"overwrite", 1.0, false, overwritten, 3},
    {"do_nothing", 1.0, false, range(1, 9), 3},
    {"block", 0.01, false, range(1, 9), 3},
    {"block", 30.0, true, range(1, 12), 0},
  };
  for (const Case& c : cases)
    {
      SCOPED_TRACE(c.policy);
      auto reader = std::make_shared<Reader>();
      RTC::ConnectionSettings settings = publisherSettings(true, 8);
      settings.overwriteWhenFull = std::string(c.policy) == "overwrite";
      settings.blockWhenFull = std::string(c.policy) == "block";
      settings.writeTimeout = c.writeTimeout;
      RTC::PublisherConnector publisher(
        settings, std::unique_ptr<RTC::OutPortConnector>(new HeldConnector(settings, reader)),
        false, milliseconds(2000));
      // Value 1 is held at the reader; 2..9 fill the queue of 8; 10..12 find it full.
      ASSERT_TRUE(write(publisher, 1, 1));
      ASSERT_TRUE(reader->waitEntered(1));
      ASSERT_TRUE(write(publisher, 2, 9));
      std::thread releaser;
      if (c.releaseWhileWriting)
        {
          releaser = std::thread([reader] {
            std::this_thread::sleep_for(milliseconds(100));
            reader->release();
          });
        }
      ASSERT_TRUE(write(publisher, 10, 12));
      EXPECT_EQ(c.dropped, publisher.status().dropped);
      if (releaser.joinable()) { releaser.join(); }
      reader->release();
      publisher.close();
      EXPECT_EQ(c.delivered, reader->values());
    }
}

TEST(Publisher, PushNewDeliversTheNewestAndPicksTheReadersByteOrder)
{
  auto reader = std::make_shared<Reader>();
  auto publisher = publisherFor(reader, false);
  ASSERT_TRUE(write(*publisher, 1, 1));
  ASSERT_TRUE(reader->waitEntered(1));
  ASSERT_TRUE(write(*publisher, 2, 10));
  reader->release();
  ASSERT_TRUE(reader->waitEntered(2));
  publisher->close();
  EXPECT_EQ((std::vector<int>{1, 10}), reader->values());
  EXPECT_EQ(8u, publisher->status().dropped);

  // With the reader open, nothing is skipped as long as it keeps up; a swapped reader gets the
  // other byte order's bytes.
  auto open = std::make_shared<Reader>();
  open->open = true;
  auto swapped = publisherFor(open, false, 8, true);
  for (int i = 1; i <= 5; ++i)
    {
      ASSERT_TRUE(write(*swapped, i, i));
      ASSERT_TRUE(open->waitEntered(i));
    }
  swapped->close();
  EXPECT_EQ(range(101, 105), open->values());
}

TEST(Publisher, HungReaderCostsTheWriterNothingAndCloseIsBounded)
{
  const std::size_t before = threadsAtRest();
  auto reader = std::make_shared<Reader>();
  reader->hold = milliseconds(1500);
  auto publisher = publisherFor(reader, true, 8);
  EXPECT_EQ(before + 1, threadCount()) << "one thread per publisher";

  const auto start = steady_clock::now();
  EXPECT_TRUE(write(*publisher, 1, 200));
  // Had it waited for the reader, write() would have taken at least the whole hold.
  EXPECT_LT(steady_clock::now() - start, reader->hold) << "write() waited for the reader";
  ASSERT_TRUE(reader->waitEntered(1));

  // close() while the reader is held: the held delivery ends with its time-out and the rest is
  // not tried against a reader that failed.
  const auto closing = steady_clock::now();
  publisher->close();
  EXPECT_LT(steady_clock::now() - closing, std::chrono::seconds(6));
  EXPECT_TRUE(reader->values().empty());
  EXPECT_TRUE(reader->closed);
  EXPECT_TRUE(threadsBackTo(before));
  publisher.reset();
}

TEST(Publisher, FailedReaderIsDroppedByTheOutPortOnceWithOneWarning)
{
  RTC::TimedString value;
  RTC::OutPort<RTC::TimedString> out("out", value);
  const std::size_t before = threadsAtRest();
  auto reader = std::make_shared<Reader>();
  reader->hold = milliseconds(50);
  out.addConnector(std::shared_ptr<RTC::OutPortConnector>(publisherFor(reader, false)));

  ::testing::internal::CaptureStderr();
  value.data = CORBA::string_dup("first");
  EXPECT_TRUE(out.write());
  ASSERT_TRUE(reader->waitEntered(1));
  // The publisher learns of the failure on its own thread; a later write drops the connection.
  const bool dropped = testsupport::waitUntil([&out] {
    if (out.connections().empty()) { return true; }
    out.write();
    return false;
  });
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(dropped);
  EXPECT_EQ(1u, testsupport::countOf(warnings, "connection dropped")) << warnings;
  EXPECT_FALSE(out.write()) << "nothing connected any more";
  EXPECT_TRUE(threadsBackTo(before));
}

TEST(Publisher, ConnectDisconnectCyclesLeaveNoThread)
{
  RTC::TimedString value;
  RTC::OutPort<RTC::TimedString> out("out", value);
  const std::size_t before = threadsAtRest();
  for (int cycle = 0; cycle < 50; ++cycle)
    {
      auto reader = std::make_shared<Reader>();
      reader->open = cycle % 2 == 0;   // every other reader is held when disconnected
      reader->hold = milliseconds(20);
      auto publisher = std::shared_ptr<RTC::OutPortConnector>(publisherFor(reader, cycle % 3 == 0));
      out.addConnector(publisher);
      value.data = CORBA::string_dup("value");
      EXPECT_TRUE(out.write());
      out.removeConnector(publisher->settings().id);
    }
  EXPECT_TRUE(out.connections().empty());
  EXPECT_TRUE(threadsBackTo(before)) << threadCount() << " threads, " << before << " before";
}

TEST(Publisher, SettingsTakeSubscriptionTypeAndPushPolicyInAnyCase)
{
  RTC::ConnectionSettings settings;
  std::string error;
  ASSERT_TRUE(RTC::makeConnectionSettings(coil::Properties(), "A0.out", "B0.in", settings, error));
  EXPECT_FALSE(settings.publisherThread);
  EXPECT_EQ(RTC::PushPolicy::New, settings.pushPolicy);

  coil::Properties given;
  given.setProperty("dataport.subscription_type", "New");
  given.setProperty("publisher.push_policy", " ALL ");
  ASSERT_TRUE(RTC::makeConnectionSettings(given, "A0.out", "B0.in", settings, error)) << error;
  EXPECT_TRUE(settings.publisherThread);
  EXPECT_EQ(RTC::PushPolicy::All, settings.pushPolicy);

  for (const auto& bad : {std::make_pair("subscription_type", "periodic"),
                          std::make_pair("dataport.publisher.push_policy", "fifty")})
    {
      coil::Properties properties;
      properties.setProperty(bad.first, bad.second);
      error.clear();
      EXPECT_FALSE(RTC::makeConnectionSettings(properties, "A0.out", "B0.in", settings, error));
      EXPECT_NE(std::string::npos, error.find(bad.second)) << error;
    }
}
