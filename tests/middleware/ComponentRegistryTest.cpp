// The manager's component bookkeeping on its own: instance names, max_instance, factories,
// exits, and how a new component's properties are assembled from its arguments and the
// manager's configuration.
#include "ChildProcess.h"

#include "ComponentCore.h"
#include "ComponentProperties.h"
#include "ComponentRegistry.h"
#include "Wait.h"

#include <rtm/DataFlowComponentBase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace
{
  using RTC::ComponentRegistry;

  RTC::RTObject_impl* createNone(RTC::Manager*)
  {
    return nullptr;
  }

  coil::Properties profileOf(const std::string& typeName, const std::string& maxInstance = "")
  {
    coil::Properties profile;
    profile.setProperty("type_name", typeName);
    profile.setProperty("category", "Test");
    if (!maxInstance.empty()) { profile.setProperty("max_instance", maxInstance); }
    return profile;
  }

  // Components made by hand, named as the registry said: what the manager would create.
  class RegistryTest : public ::testing::Test
  {
  protected:
    // Prepares and adds one component of `typeName`; its name, or empty when refused.
    std::string create(const std::string& typeName, const std::string& requested = "")
    {
      ComponentRegistry::Factory factory;
      std::string name;
      std::string error;
      if (!m_registry.prepare(typeName, requested, factory, name, error))
        {
          m_lastError = error;
          return "";
        }
      std::unique_ptr<RTC::RTObject_impl> object(new RTC::DataFlowComponentBase(nullptr));
      coreOf(*object).setIdentity(name, factory.profile);
      m_registry.add(ComponentRegistry::Instance{object.get(), nullptr});
      m_objects.push_back(std::move(object));
      return name;
    }

    bool exit(const std::string& name, bool& wasLast)
    {
      ComponentRegistry::Instance removed{nullptr, nullptr};
      if (!m_registry.beginExit(name, removed, wasLast)) { return false; }
      EXPECT_EQ(name, coreOf(*removed.object).instanceName());
      m_registry.exitFinished();
      return true;
    }

    ComponentRegistry m_registry;
    std::vector<std::unique_ptr<RTC::RTObject_impl>> m_objects;
    std::string m_lastError;
  };
}

TEST_F(RegistryTest, NamesTakeTheLowestFreeNumberOrTheRequestedName)
{
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Counter"), createNone, nullptr));
  EXPECT_EQ("Counter0", create("Counter"));
  EXPECT_EQ("Counter1", create("Counter"));
  EXPECT_EQ("Special", create("Counter", "Special"));
  EXPECT_EQ("", create("Counter", "Counter1")) << "a name in use is refused";
  EXPECT_NE(std::string::npos, m_lastError.find("already a component named Counter1"));

  bool wasLast = true;
  ASSERT_TRUE(exit("Counter0", wasLast));
  EXPECT_FALSE(wasLast);
  EXPECT_EQ("Counter0", create("Counter")) << "a freed number is used again first";
  EXPECT_EQ("Counter2", create("Counter"));
  EXPECT_EQ(m_objects[1].get(), m_registry.find("Counter1"));
  EXPECT_EQ(nullptr, m_registry.find("Counter9"));
  EXPECT_EQ(4u, m_registry.components().size());
}

TEST_F(RegistryTest, MaxInstanceCountsOnlyItsOwnType)
{
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Gate", "2"), createNone, nullptr));
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Free"), createNone, nullptr));
  EXPECT_EQ("Gate0", create("Gate"));
  EXPECT_EQ("Free0", create("Free"));
  EXPECT_EQ("Gate1", create("Gate"));
  EXPECT_EQ("", create("Gate"));
  EXPECT_NE(std::string::npos, m_lastError.find("Gate allows at most 2 instance(s)"));
  EXPECT_EQ("Free1", create("Free")) << "no max_instance: no limit";

  bool wasLast = true;
  ASSERT_TRUE(exit("Gate0", wasLast));
  EXPECT_EQ("Gate0", create("Gate")) << "room again below max_instance";
}

TEST_F(RegistryTest, FactoriesAreNamedByTypeNameElseImplementationId)
{
  EXPECT_EQ("", create("Unknown"));
  EXPECT_NE(std::string::npos, m_lastError.find("no factory registered for component type"));

  coil::Properties byId;
  byId.setProperty("implementation_id", "ById");
  ASSERT_TRUE(m_registry.registerFactory(byId, createNone, nullptr));
  EXPECT_EQ("ById0", create("ById"));

  EXPECT_FALSE(m_registry.registerFactory(coil::Properties(), createNone, nullptr));
  EXPECT_FALSE(m_registry.registerFactory(profileOf("NoFunction"), nullptr, nullptr));
  EXPECT_EQ("", create("NoFunction"));

  // A second registration of the type replaces the first one.
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Twice", "1"), createNone, nullptr));
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Twice", "3"), createNone, nullptr));
  EXPECT_EQ("Twice0", create("Twice"));
  EXPECT_EQ("Twice1", create("Twice"));
}

TEST_F(RegistryTest, ExitsReportTheLastComponentAndHoldBackTakeAll)
{
  ASSERT_TRUE(m_registry.registerFactory(profileOf("Counter"), createNone, nullptr));
  create("Counter");
  create("Counter");
  create("Counter");
  bool wasLast = true;
  EXPECT_FALSE(exit("Nobody", wasLast));
  ASSERT_TRUE(exit("Counter1", wasLast));
  EXPECT_FALSE(wasLast);
  EXPECT_FALSE(exit("Counter1", wasLast)) << "exited once only";

  // An exit still finalising its component keeps takeAll waiting.
  ComponentRegistry::Instance removed{nullptr, nullptr};
  ASSERT_TRUE(m_registry.beginExit("Counter2", removed, wasLast));
  std::atomic<bool> finalised(false);
  std::vector<ComponentRegistry::Instance> taken;
  std::thread shutdown([&] {
    taken = m_registry.takeAll();
    EXPECT_TRUE(finalised.load()) << "takeAll returned while an exit was still finalising";
  });
  // takeAll empties the list as it enters and then waits: from then on it must still be waiting.
  EXPECT_TRUE(testsupport::waitUntil([this] { return m_registry.components().empty(); }));
  finalised = true;
  m_registry.exitFinished();
  shutdown.join();
  ASSERT_EQ(1u, taken.size()) << "Counter0 is the only one left";
  EXPECT_EQ("Counter0", coreOf(*taken[0].object).instanceName());
  EXPECT_TRUE(m_registry.components().empty());

  EXPECT_EQ("Counter0", create("Counter"));
  ASSERT_TRUE(exit("Counter0", wasLast));
  EXPECT_TRUE(wasLast);
}

TEST(ComponentArgs, TypeThenKeyValuePairs)
{
  std::string type;
  coil::Properties args;
  ASSERT_TRUE(RTC::parseComponentArgs("Counter", type, args));
  EXPECT_EQ("Counter", type);

  ASSERT_TRUE(RTC::parseComponentArgs("Counter?instance_name=c&&rate=a=b", type, args));
  EXPECT_EQ("Counter", type);
  EXPECT_EQ("c", args.getProperty("instance_name"));
  EXPECT_EQ("a=b", args.getProperty("rate")) << "split at the first equals sign";

  for (const char* malformed : {"", "?a=1", "Counter?=1", "Counter?novalue"})
    {
      coil::Properties ignored;
      EXPECT_FALSE(RTC::parseComponentArgs(malformed, type, ignored)) << malformed;
    }
}

TEST(ComponentPropertiesAssembly, LaterSourcesWin)
{
  testsupport::TemporaryDirectory directory;
  directory.write("type.conf", "conf.default.a: file\nconf.default.b: file\nconf.default.c: file\n"
                               "conf.default.d: file\n");
  coil::Properties profile = profileOf("Counter");
  profile.setProperty("conf.default.a", "profile");
  profile.setProperty("conf.default.z", "profile");
  coil::Properties manager;
  manager.setProperty("exec_cxt.periodic.rate", "250");
  manager.setProperty("Test.Counter.config_file", directory.file("type.conf"));
  manager.setProperty("Test.Counter.conf.default.b", "type");
  manager.setProperty("Test.Counter.conf.default.c", "type");
  manager.setProperty("Test.Counter7.conf.default.c", "instance");
  manager.setProperty("Test.Other.conf.default.d", "other");
  coil::Properties args;
  args.setProperty("conf.default.d", "args");

  coil::Properties properties;
  std::string error;
  ASSERT_TRUE(RTC::componentProperties(profile, manager, args, "Counter7", properties, error))
    << error;
  EXPECT_EQ("250", properties.getProperty("exec_cxt.periodic.rate"));
  EXPECT_EQ("profile", properties.getProperty("conf.default.z"));
  EXPECT_EQ("file", properties.getProperty("conf.default.a"));
  EXPECT_EQ("type", properties.getProperty("conf.default.b"));
  EXPECT_EQ("instance", properties.getProperty("conf.default.c"));
  EXPECT_EQ("args", properties.getProperty("conf.default.d"));

  coil::Properties defaults;
  ASSERT_TRUE(RTC::componentProperties(profileOf("Plain"), coil::Properties(), coil::Properties(),
                                       "Plain0", defaults, error));
  EXPECT_EQ("1000", defaults.getProperty("exec_cxt.periodic.rate"));

  manager.setProperty("Test.Counter.config_file", directory.file("missing.conf"));
  EXPECT_FALSE(RTC::componentProperties(profile, manager, args, "Counter7", properties, error));
  EXPECT_NE(std::string::npos, error.find("missing.conf")) << error;
}
