// Configuration parameters bound by a component: defaults, configuration sets, the active set,
// and values the conversion refuses.
#include <rtm/DataFlowComponentBase.h>

#include "ComponentCore.h"
#include "PeriodicExecutionContext.h"

#include <gtest/gtest.h>

#include <atomic>
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
}

TEST(Configuration, DefaultsWhenNoSetHoldsAValue)
{
  BoundComponent component;
  create(component, coil::Properties());
  EXPECT_EQ(5, component.m_count);
  EXPECT_EQ("plain", component.m_label);
  EXPECT_DOUBLE_EQ(0.5, component.m_ratio);
  EXPECT_TRUE(component.m_enabled);
}

TEST(Configuration, ActiveConfigChoosesTheSet)
{
  coil::Properties properties;
  properties.setProperty("conf.default.Count", "7");
  properties.setProperty("conf.default.Label", "  two words ");
  properties.setProperty("conf.fast.Count", "50");
  properties.setProperty("conf.fast.Ratio", "2.25");
  properties.setProperty("conf.fast.Enabled", "off");
  {
    BoundComponent component;
    create(component, properties);
    EXPECT_EQ(7, component.m_count);
    EXPECT_EQ("  two words ", component.m_label);
  }
  properties.setProperty("configuration.active_config", "fast");
  BoundComponent component;
  coreOf(component).setIdentity("Bound0", properties);
  ASSERT_EQ(RTC::RTC_OK, component.onInitialize());
  // Initialising, the component sees the default set; the active one takes over once applied.
  EXPECT_EQ(7, component.m_count);
  EXPECT_DOUBLE_EQ(0.5, component.m_ratio);
  EXPECT_TRUE(component.m_enabled);
  coreOf(component).config().update();
  EXPECT_EQ(50, component.m_count);
  EXPECT_DOUBLE_EQ(2.25, component.m_ratio);
  EXPECT_FALSE(component.m_enabled);
  EXPECT_EQ("fast", coreOf(component).config().activeSet());
}

TEST(Configuration, RefusedValueFallsBackToTheDefault)
{
  coil::Properties properties;
  properties.setProperty("conf.default.Count", "abc");
  properties.setProperty("conf.default.Ratio", "fast");
  properties.setProperty("conf.default.Enabled", "maybe");
  BoundComponent component;
  create(component, properties);
  EXPECT_EQ(5, component.m_count);
  EXPECT_DOUBLE_EQ(0.5, component.m_ratio);
  EXPECT_TRUE(component.m_enabled);

  // A variable that held another value goes back to the default, not to what it held.
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
