// The manager in this process with small components of the test's own: factories, instance
// names, max_instance, creation arguments, failed creation, and exiting one component.
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include "ArgumentVector.h"
#include "CallbackRecorder.h"
#include "ChildProcess.h"
#include "ComponentCore.h"
#include "ManagerImpl.h"
#include "MiddlewareAccess.h"
#include "PeriodicExecutionContext.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <string>
#include <utility>
#include <vector>

using testsupport::CallbackRecorder;

namespace
{
  CallbackRecorder* g_recorder = nullptr;
  std::atomic<int> g_deletions(0);

  class Counter : public RTC::DataFlowComponentBase
  {
  public:
    explicit Counter(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}

    RTC::ReturnCode_t onInitialize() override
    {
      bindParameter("Step", m_step, "1");
      return note("onInitialize");
    }
    RTC::ReturnCode_t onFinalize() override { return note("onFinalize"); }
    RTC::ReturnCode_t onActivated(RTC::UniqueId) override { return note("onActivated"); }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override { return note("onExecute"); }
    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override { return note("onDeactivated"); }
    RTC::ReturnCode_t onShutdown(RTC::UniqueId) override { return note("onShutdown"); }

    int m_step = 0;

  private:
    RTC::ReturnCode_t note(const std::string& name)
    {
      if (g_recorder != nullptr) { g_recorder->record(name); }
      return RTC::RTC_OK;
    }
  };

  class FailingInit : public RTC::DataFlowComponentBase
  {
  public:
    explicit FailingInit(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}
    RTC::ReturnCode_t onInitialize() override { return RTC::RTC_ERROR; }
  };

  class ThrowingInit : public RTC::DataFlowComponentBase
  {
  public:
    explicit ThrowingInit(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}
    RTC::ReturnCode_t onInitialize() override { throw std::runtime_error("component fault"); }
  };

  // The first instance after arm() waits in onInitialize until the test opens the gate.
  class Gate : public RTC::DataFlowComponentBase
  {
  public:
    explicit Gate(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager) {}

    RTC::ReturnCode_t onInitialize() override
    {
      if (s_entered++ == 0)
        {
          if (g_recorder != nullptr) { g_recorder->record("gate entered"); }
          std::unique_lock<std::mutex> lock(s_mutex);
          s_changed.wait_for(lock, std::chrono::seconds(10), [] { return s_open; });
        }
      return RTC::RTC_OK;
    }

    static void open()
    {
      std::lock_guard<std::mutex> lock(s_mutex);
      s_open = true;
      s_changed.notify_all();
    }

    static void arm()
    {
      std::lock_guard<std::mutex> lock(s_mutex);
      s_entered = 0;
      s_open = false;
    }

  private:
    static std::atomic<int> s_entered;
    static std::mutex s_mutex;
    static std::condition_variable s_changed;
    static bool s_open;
  };
  std::atomic<int> Gate::s_entered(0);
  std::mutex Gate::s_mutex;
  std::condition_variable Gate::s_changed;
  bool Gate::s_open = false;

  template <typename Component> RTC::RTObject_impl* createOne(RTC::Manager* manager)
  {
    return new Component(manager);
  }

  void deleteOne(RTC::RTObject_impl* component)
  {
    ++g_deletions;
    if (g_recorder != nullptr) { g_recorder->record("delete"); }
    delete component;
  }

  // clang-format off
  const char* counterSpec[] = {
    "implementation_id", "Counter", "type_name", "Counter", "category", "Test",
    "max_instance", "2", "conf.default.Step", "3", "",
  };
  // clang-format on
  const char* failingSpec[] = {"type_name", "FailingInit", "category", "Test", ""};
  const char* throwingSpec[] = {"type_name", "ThrowingInit", "category", "Test", ""};
  const char* gateSpec[] = {"type_name", "Gate", "category", "Test", "max_instance", "1", ""};
  const char* twinGateSpec[] = {"type_name",    "TwinGate", "category", "Test",
                                "max_instance", "2",        ""};

  std::size_t entriesIn(const char* directory)
  {
    std::size_t count = 0;
    if (DIR* listing = ::opendir(directory))
      {
        while (::readdir(listing) != nullptr) { ++count; }
        ::closedir(listing);
      }
    return count;
  }

  class ManagerEnvironment : public ::testing::Environment
  {
  public:
    void SetUp() override
    {
      std::vector<std::string> arguments = {"ManagerTest",
                                            "-o",
                                            "naming.enable:NO",
                                            "-o",
                                            "manager.shutdown_nortcs:NO",
                                            "-o",
                                            "exec_cxt.periodic.rate:500"};
      RTC::ArgumentVector argv(std::move(arguments));
      RTC::Manager* manager = RTC::Manager::init(argv.argc(), argv.argv());
      ASSERT_TRUE(manager->activateManager());
      coil::Properties counter(counterSpec);
      ASSERT_TRUE(manager->registerFactory(counter, createOne<Counter>, deleteOne));
      coil::Properties failing(failingSpec);
      ASSERT_TRUE(manager->registerFactory(failing, createOne<FailingInit>, deleteOne));
      coil::Properties throwing(throwingSpec);
      ASSERT_TRUE(manager->registerFactory(throwing, createOne<ThrowingInit>, deleteOne));
      coil::Properties gate(gateSpec);
      ASSERT_TRUE(manager->registerFactory(gate, createOne<Gate>, deleteOne));
      coil::Properties twinGate(twinGateSpec);
      ASSERT_TRUE(manager->registerFactory(twinGate, createOne<Gate>, deleteOne));
    }

    void TearDown() override { RTC::Manager::instance().shutdown(); }
  };

  ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ManagerEnvironment);

  class ManagerTest : public ::testing::Test
  {
  protected:
    ManagerTest() : m_manager(RTC::Manager::instance()) { g_recorder = &m_recorder; }
    ~ManagerTest() override
    {
      for (RTC::RTObject_impl* component : m_manager.getComponents())
        {
          RTC::MiddlewareAccess::impl(m_manager).exitComponent(component->getInstanceName());
        }
      g_recorder = nullptr;
    }

    RTC::Manager& m_manager;
    CallbackRecorder m_recorder;
  };
}

TEST_F(ManagerTest, InstanceNamesCountFromZeroUpToMaxInstance)
{
  RTC::RTObject_impl* first = m_manager.createComponent("Counter");
  RTC::RTObject_impl* second = m_manager.createComponent("Counter");
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_STREQ("Counter0", first->getInstanceName());
  EXPECT_STREQ("Counter1", second->getInstanceName());
  EXPECT_EQ(nullptr, m_manager.createComponent("Counter")) << "max_instance is 2";
  EXPECT_EQ(second, m_manager.findComponent("Counter1"));
  EXPECT_EQ(2u, m_manager.getComponents().size());

  // Created components are inactive, configured and have their own execution context.
  EXPECT_EQ(RTC::INACTIVE_STATE, coreOf(*first).state());
  EXPECT_EQ(3, static_cast<Counter*>(first)->m_step);
  ASSERT_NE(nullptr, coreOf(*first).executionContext());
  EXPECT_DOUBLE_EQ(500.0, coreOf(*first).executionContext()->rate());
  EXPECT_NE(coreOf(*first).executionContext(), coreOf(*second).executionContext());

  ASSERT_TRUE(RTC::MiddlewareAccess::impl(m_manager).exitComponent("Counter0"));
  EXPECT_NE(nullptr, m_manager.createComponent("Counter")) << "room again below max_instance";
}

TEST_F(ManagerTest, UnknownTypeOrMalformedArgumentsCreateNothing)
{
  for (const char* arguments : {"Nobody", "", "?instance_name=x", "Counter?novalue", "Counter?=1"})
    {
      EXPECT_EQ(nullptr, m_manager.createComponent(arguments)) << arguments;
    }
  EXPECT_EQ(nullptr, m_manager.createComponent(nullptr));
  EXPECT_TRUE(m_manager.getComponents().empty());
  EXPECT_EQ(0u, m_recorder.count("onInitialize"));
}

TEST_F(ManagerTest, ArgumentsNameTheInstanceAndSetItsRate)
{
  RTC::RTObject_impl* component =
    m_manager.createComponent("Counter?instance_name=special&exec_cxt.periodic.rate=50");
  ASSERT_NE(nullptr, component);
  EXPECT_STREQ("special", component->getInstanceName());
  EXPECT_DOUBLE_EQ(50.0, coreOf(*component).executionContext()->rate());
  EXPECT_EQ(nullptr, m_manager.createComponent("Counter?instance_name=special"))
    << "names are unique";
}

TEST_F(ManagerTest, FailedInitializeDeletesTheComponent)
{
  const int before = g_deletions;
  EXPECT_EQ(nullptr, m_manager.createComponent("FailingInit"));
  EXPECT_EQ(before + 1, g_deletions);
  EXPECT_EQ(nullptr, m_manager.createComponent("ThrowingInit"));
  EXPECT_EQ(before + 2, g_deletions);
  EXPECT_TRUE(m_manager.getComponents().empty());

  coil::Properties nameless;
  EXPECT_FALSE(m_manager.registerFactory(nameless, createOne<Counter>, deleteOne));
}

TEST_F(ManagerTest, ExitingAComponentDeactivatesFinalizesAndDeletesIt)
{
  RTC::RTObject_impl* component = m_manager.createComponent("Counter");
  ASSERT_NE(nullptr, component);
  ASSERT_EQ(RTC::RTC_OK, coreOf(*component).executionContext()->activate());
  ASSERT_TRUE(m_recorder.waitFor("onExecute", 3));
  ASSERT_TRUE(RTC::MiddlewareAccess::impl(m_manager).exitComponent("Counter0"));
  EXPECT_FALSE(RTC::MiddlewareAccess::impl(m_manager).exitComponent("Counter0"));
  EXPECT_EQ(nullptr, m_manager.findComponent("Counter0"));

  std::vector<std::string> order;
  for (const std::string& name : m_recorder.sequence())
    {
      if (name != "onExecute") { order.push_back(name); }
    }
  EXPECT_EQ((std::vector<std::string>{"onInitialize", "onActivated", "onDeactivated", "onShutdown",
                                      "onFinalize", "delete"}),
            order);
  for (const CallbackRecorder::Event& event : m_recorder.events())
    {
      const bool onCallerThread =
        event.name == "onInitialize" || event.name == "onFinalize" || event.name == "delete";
      EXPECT_EQ(onCallerThread, event.thread == std::this_thread::get_id()) << event.name;
    }
}

// Creations of `type` from `count` threads while the first of them waits in onInitialize; the
// others get the chance to run meanwhile. What each creation returned.
std::vector<RTC::RTObject_impl*> createWhileTheFirstInitialises(RTC::Manager& manager,
                                                                CallbackRecorder& recorder,
                                                                const char* type, int count)
{
  Gate::arm();
  const std::size_t entered = recorder.count("gate entered");
  const std::size_t returned = recorder.count("other returned");
  std::vector<RTC::RTObject_impl*> created(static_cast<std::size_t>(count), nullptr);
  std::vector<std::thread> creators;
  creators.emplace_back([&] { created[0] = manager.createComponent(type); });
  EXPECT_TRUE(recorder.waitFor("gate entered", entered + 1));
  for (int i = 1; i < count; ++i)
    {
      creators.emplace_back([&, i] {
        created[static_cast<std::size_t>(i)] = manager.createComponent(type);
        recorder.record("other returned");
      });
    }
  // A creation that does not wait for the first comes back at once; give it the chance.
  recorder.waitFor("other returned", returned + static_cast<std::size_t>(count - 1),
                   std::chrono::milliseconds(300));
  Gate::open();
  for (std::thread& creator : creators) { creator.join(); }
  return created;
}

TEST_F(ManagerTest, ConcurrentCreationKeepsMaxInstanceAndDistinctNames)
{
  std::vector<RTC::RTObject_impl*> gates =
    createWhileTheFirstInitialises(m_manager, m_recorder, "Gate", 2);
  ASSERT_NE(nullptr, gates[0]);
  EXPECT_STREQ("Gate0", gates[0]->getInstanceName());
  EXPECT_EQ(nullptr, gates[1]) << "a second Gate while the first was still initialising";

  // max_instance 2, three at once: two are made, under names of their own.
  std::vector<RTC::RTObject_impl*> twins =
    createWhileTheFirstInitialises(m_manager, m_recorder, "TwinGate", 3);
  std::vector<std::string> names;
  for (RTC::RTObject_impl* twin : twins)
    {
      if (twin != nullptr) { names.push_back(twin->getInstanceName()); }
    }
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"TwinGate0", "TwinGate1"}), names);
  ASSERT_NE(nullptr, twins[0]);
  EXPECT_STREQ("TwinGate0", twins[0]->getInstanceName());
  EXPECT_EQ(3u, m_manager.getComponents().size());
}

TEST_F(ManagerTest, CreatingAndExitingLeavesNoThreadsOrDescriptors)
{
  auto cycle = [this] {
    RTC::RTObject_impl* component = m_manager.createComponent("Counter");
    ASSERT_NE(nullptr, component);
    ASSERT_EQ(RTC::RTC_OK, coreOf(*component).executionContext()->activate());
    ASSERT_EQ(RTC::RTC_OK, coreOf(*component).executionContext()->deactivate());
    ASSERT_EQ(RTC::RTC_OK, coreOf(*component).executionContext()->activate());
    ASSERT_TRUE(RTC::MiddlewareAccess::impl(m_manager).exitComponent(component->getInstanceName()));
  };
  cycle();   // the middleware may start what it keeps for the process's lifetime
  const std::size_t threads = entriesIn("/proc/self/task");
  const std::size_t descriptors = entriesIn("/proc/self/fd");
  for (int i = 0; i < 20; ++i) { cycle(); }
  EXPECT_EQ(threads, entriesIn("/proc/self/task"));
  EXPECT_EQ(descriptors, entriesIn("/proc/self/fd"));
}

TEST_F(ManagerTest, ProgramsStartedFromAManagerProcessStillEndOnSigterm)
{
  // The manager takes SIGINT and SIGTERM on a thread of its own; a child must not inherit that.
  testsupport::ChildProcess child("/bin/sleep", {"30"});
  child.signal(SIGTERM);
  ASSERT_TRUE(child.wait(std::chrono::seconds(10)));
  EXPECT_EQ(SIGTERM, child.termSignal());
}
