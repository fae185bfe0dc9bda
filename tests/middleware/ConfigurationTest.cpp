// Configuration parameters bound by a component: defaults, configuration sets, the active set,
// and values the conversion refuses.
#include <rtm/DataFlowComponentBase.h>

#include "ComponentCore.h"
#include "ConfigurationCases.h"
#include "PeriodicExecutionContext.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>

namespace
{
  // Accepts only "on" and "off" and leaves the variable alone otherwise.
  bool onOff(bool& value, const char* text)
  {
    const std::string word(text != nullptr ? text : "");
    if (word != "on" && word != "off") { return false; }
    value = word == "on";
    return true;
  }

  class BoundComponent : public RTC::DataFlowComponentBase
  {
  public:
    BoundComponent() : RTC::DataFlowComponentBase(nullptr) {}

    RTC::ReturnCode_t onInitialize() override
    {
      bindParameter("Count", m_count, "5");
      bindParameter("Label", m_label, "plain");
      bindParameter("Ratio", m_ratio, "0.5");
      bindParameter("Enabled", m_enabled, "on", onOff);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onActivated(RTC::UniqueId) override
    {
      m_countAtActivation = m_count;
      return RTC::RTC_OK;
    }

    int m_count = -1;
    std::string m_label;
    double m_ratio = -1.0;
    bool m_enabled = false;
    std::atomic<int> m_countAtActivation{-1};
  };

  // Gives the component its properties the way the manager does, then runs onInitialize.
  void create(BoundComponent& component, const coil::Properties& properties)
  {
    coreOf(component).setIdentity("Bound0", properties);
    ASSERT_EQ(RTC::RTC_OK, component.onInitialize());
    coreOf(component).config().update();
  }

  void expectValues(const BoundComponent& component, const testsupport::BoundValues& expected)
  {
    EXPECT_EQ(expected.count, component.m_count);
    EXPECT_EQ(expected.label, component.m_label);
    EXPECT_DOUBLE_EQ(expected.ratio, component.m_ratio);
    EXPECT_EQ(expected.enabled, component.m_enabled);
  }
}

class Configuration : public ::testing::TestWithParam<testsupport::ConfigurationCase>
{
};

TEST_P(Configuration, BindsTheDefaultSetThenTheActiveOne)
{
  // The component's properties as the manager gives them: the profile, then the file.
  coil::Properties properties;
  std::istringstream in(std::string(testsupport::kProbeProfile) + GetParam().file);
  std::string error;
  ASSERT_TRUE(properties.load(in, error)) << error;
  BoundComponent component;
  coreOf(component).setIdentity("Bound0", properties);
  ASSERT_EQ(RTC::RTC_OK, component.onInitialize());
  expectValues(component, GetParam().initial);
  coreOf(component).config().update();
  expectValues(component, GetParam().active);
  EXPECT_EQ(properties.getProperty("configuration.active_config", "default"),
            coreOf(component).config().activeSet());
}

INSTANTIATE_TEST_SUITE_P(Files, Configuration,
                         ::testing::ValuesIn(testsupport::kConfigurationCases),
                         testsupport::configurationCaseName);

TEST(Configuration, TextKeepsItsBlanks)
{
  coil::Properties properties;
  properties.setProperty("conf.default.Label", "  two words ");
  BoundComponent component;
  create(component, properties);
  EXPECT_EQ("  two words ", component.m_label);
}

TEST(Configuration, RefusedValueFallsBackToTheDefaultNotToWhatTheVariableHeld)
{
  BoundComponent component;
  create(component, coil::Properties());
  RTC::ConfigAdmin& config = coreOf(component).config();
  config.setValue("default", "Count", "9");
  config.setValue("default", "Enabled", "off");
  config.update();
  EXPECT_EQ(9, component.m_count);
  EXPECT_FALSE(component.m_enabled);
  config.setValue("default", "Count", "abc");
  config.setValue("default", "Enabled", "maybe");
  config.update();
  EXPECT_EQ(5, component.m_count);
  EXPECT_TRUE(component.m_enabled);
}

TEST(Configuration, ParameterIsBoundOnce)
{
  BoundComponent component;
  create(component, coil::Properties());
  int other = 0;
  EXPECT_FALSE(component.bindParameter("Count", other, "1"));
  EXPECT_EQ(0, other);
}

TEST(Configuration, ActiveSetIsInForceByActivation)
{
  BoundComponent component;
  create(component, coil::Properties());
  RTC::PeriodicExecutionContext context(component, 1000.0, 0);
  context.start();
  RTC::ConfigAdmin& config = coreOf(component).config();
  config.setValue("tuned", "Count", "77");
  EXPECT_FALSE(config.activateSet("unknown"));
  ASSERT_TRUE(config.activateSet("tuned"));
  ASSERT_EQ(RTC::RTC_OK, context.activate());
  EXPECT_EQ(77, component.m_countAtActivation);
  context.stop();
}
