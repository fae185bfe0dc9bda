// What rtctl puts into a connector profile from `connect -p`, and what it refuses before asking a
// port.
#include "ComponentPorts.h"
#include "ConnectorSettings.h"
#include "RtcText.h"
#include "ToolError.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
  std::map<std::string, std::string> asMap(const SDOPackage::NVList& list)
  {
    std::map<std::string, std::string> values;
    for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        const char* text = nullptr;
        EXPECT_TRUE(list[i].value >>= text) << list[i].name.in() << " is not a string any";
        EXPECT_TRUE(values.emplace(list[i].name.in(), text != nullptr ? text : "").second)
          << list[i].name.in() << " appears twice";
      }
    return values;
  }

  TEST(ConnectorSettings, PushOverCorbaCdrWithFlushUnlessGivenAndPrefixedKeys)
  {
    const rtctl::ConnectorSettings plain = rtctl::parseConnectorSettings({});
    EXPECT_EQ(plain.name, "");
    EXPECT_EQ(asMap(plain.properties),
              (std::map<std::string, std::string>{{"dataport.dataflow_type", "push"},
                                                  {"dataport.interface_type", "corba_cdr"},
                                                  {"dataport.subscription_type", "flush"}}));

    const rtctl::ConnectorSettings given = rtctl::parseConnectorSettings(
      {"buffer.length=16", "dataport.buffer.write.full_policy=do_nothing", "subscription_type=new",
       "publisher.push_policy=all", "name=narrow", "buffer.length=32",
       "serializer.cdr.endian=big"});
    EXPECT_EQ(given.name, "narrow");
    EXPECT_EQ(asMap(given.properties), (std::map<std::string, std::string>{
                                         {"dataport.dataflow_type", "push"},
                                         {"dataport.interface_type", "corba_cdr"},
                                         {"dataport.subscription_type", "new"},
                                         {"dataport.buffer.length", "32"},
                                         {"dataport.buffer.write.full_policy", "do_nothing"},
                                         {"dataport.publisher.push_policy", "all"},
                                         {"dataport.serializer.cdr.endian", "big"}}));
  }

  TEST(ConnectorSettings, RefusesWhatNoPortWouldTakeInTheRulesWords)
  {
    for (const std::string bad : {"buffer.length=0", "buffer.length=8x", "buffer.length=",
                                  "dataport.buffer.length=-1", "buffer.write.full_policy=wait",
                                  "buffer.write.timeout=soon", "dataport.inport.buffer.length=0"})
      {
        EXPECT_THROW(rtctl::parseConnectorSettings({bad}), rtctl::ToolError) << bad;
      }
    try
      {
        rtctl::parseConnectorSettings({"buffer.length=4", "dataport.buffer.length=x"});
        ADD_FAILURE() << "the later, bad length was taken";
      }
    catch (const rtctl::ToolError& e)
      {
        EXPECT_STREQ(e.what(), "buffer.length must be a number from 1 to 1000000, got 'x'");
        EXPECT_FALSE(e.usage());
      }
    // The rest is for the port to judge: a port of OpenRTM-aist takes more than ours.
    EXPECT_NO_THROW(rtctl::parseConnectorSettings({"interface_type=shared_memory"}));
    for (const std::string malformed : {"novalue", "=value"})
      {
        try
          {
            rtctl::parseConnectorSettings({malformed});
            ADD_FAILURE() << malformed << " was taken";
          }
        catch (const rtctl::ToolError& e)
          {
            EXPECT_TRUE(e.usage()) << malformed;
          }
      }
  }

  TEST(RtcText, StatesParseAsOpenRtmToolsWriteThem)
  {
    RTC::LifeCycleState state = RTC::CREATED_STATE;
    EXPECT_TRUE(rtctl::parseState("active", state));
    EXPECT_EQ(state, RTC::ACTIVE_STATE);
    EXPECT_TRUE(rtctl::parseState("INACTIVE_STATE", state));
    EXPECT_EQ(state, RTC::INACTIVE_STATE);
    EXPECT_FALSE(rtctl::parseState("SLEEPING", state));
    EXPECT_FALSE(rtctl::parseState("_STATE", state));
  }
}
