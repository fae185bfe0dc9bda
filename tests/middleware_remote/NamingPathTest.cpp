// Naming paths and addresses as texts.
#include "NamingPath.h"

#include <gtest/gtest.h>

namespace RTC
{
  TEST(NamingPathTest, FormatsExpandEachField)
  {
    NamingFields fields;
    fields.instanceName = "InKorvane0";
    fields.typeName = "InKorvane";
    fields.category = "Sensor";
    fields.hostName = "robot";
    fields.processId = "42";
    EXPECT_EQ("robot.host_cxt/InKorvane0.rtc", expandNamingFormat("%h.host_cxt/%n.rtc", fields));
    EXPECT_EQ("Sensor/InKorvane/InKorvane0-42.rtc", expandNamingFormat("%c/%t/%n-%p.rtc", fields));
    EXPECT_EQ("100%/%x%", expandNamingFormat("100%%/%x%", fields));
  }

  TEST(NamingPathTest, PathSegmentsSplitAtTheirLastDot)
  {
    CosNaming::Name name = toNamingName("my.robot.host_cxt//InKorvane0.rtc/plain");
    ASSERT_EQ(3u, name.length());
    EXPECT_STREQ("my.robot", name[0].id);
    EXPECT_STREQ("host_cxt", name[0].kind);
    EXPECT_STREQ("InKorvane0", name[1].id);
    EXPECT_STREQ("rtc", name[1].kind);
    EXPECT_STREQ("plain", name[2].id);
    EXPECT_STREQ("", name[2].kind);
    EXPECT_EQ("my.robot.host_cxt/InKorvane0.rtc/plain", toPathText(name));
  }

  TEST(NamingPathTest, NameServersGetTheDefaultPort)
  {
    EXPECT_EQ("corbaloc::localhost:2809/NameService", nameServiceLocation("localhost"));
    EXPECT_EQ("corbaloc::10.0.0.2:12345/NameService", nameServiceLocation(" 10.0.0.2:12345 "));
  }
}
