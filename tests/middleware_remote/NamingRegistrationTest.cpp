// Components in the naming service: late and restarted naming services, the name formats,
// naming.enable, and names removed at shutdown.
#include "RemoteFixture.h"

#include <csignal>

namespace remotetest
{
  class NamingRegistrationTest : public RemoteFixture
  {
  };

  TEST_F(NamingRegistrationTest, ComponentStartedBeforeNamingServiceIsRegisteredOnceItAnswers)
  {
    const int port = testsupport::freeLoopbackPort();
    const std::string address = "127.0.0.1:" + std::to_string(port);
    auto probe = startManager(PROBE_PROGRAM, {"corba.nameservers:" + address});
    ASSERT_TRUE(probe->waitForStderr("does not answer", kPatience)) << probe->stderrText();
    ASSERT_TRUE(probe->waitForStderr("component Probe0 created", kPatience));

    {
      testsupport::NamingService late(port);
      ASSERT_TRUE(late.ready());
      ASSERT_TRUE(waitRegistered(*probe, "Probe0")) << probe->stderrText();
      EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Probe0"}, address));
    }
    // Restarted with an empty log: the name is bound again. Meanwhile the component ran on.
    testsupport::NamingService restarted(port);
    ASSERT_TRUE(restarted.ready());
    ASSERT_TRUE(waitRegistered(*probe, "Probe0", 2)) << probe->stderrText();
    EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Probe0"}, address));
    EXPECT_TRUE(probe->running());
    // One warning per outage, not one per retry.
    EXPECT_EQ(2u, countOf(probe->stderrText(), "does not answer")) << probe->stderrText();
  }

  TEST_F(NamingRegistrationTest, NamesFollowTheFormatsAndGoAtShutdown)
  {
    auto probe = startManager(PROBE_PROGRAM,
                              {"naming.formats:%h.host_cxt/%n.rtc, %c.cat_cxt/%t.type_cxt/%n.rtc"});
    auto hidden = startTextPorts({"TextPort?instance_name=Hidden"}, {"naming.enable:NO"});
    ASSERT_TRUE(waitRegistered(*probe, "Probe0", 2));
    // Registration happens before the manager reports the component created.
    ASSERT_TRUE(hidden->waitForStderr("component Hidden created", kPatience));

    const std::string ls = rtctlOk({"ls"});
    EXPECT_NE(std::string::npos, ls.find("Test.cat_cxt/Probe.type_cxt/Probe0.rtc  INACTIVE\n"))
      << ls;
    EXPECT_NE(std::string::npos, ls.find(".host_cxt/Probe0.rtc  INACTIVE\n")) << ls;
    EXPECT_EQ(std::string::npos, ls.find("Hidden")) << ls;
    EXPECT_EQ("INACTIVE\n", rtctlOk({"state", "Test.cat_cxt/Probe.type_cxt/Probe0"}));

    probe->signal(SIGTERM);
    ASSERT_TRUE(probe->wait(kPatience));
    EXPECT_EQ(0, probe->exitCode()) << probe->stderrText();
    EXPECT_EQ(std::string(), rtctlOk({"ls"}));
  }
}
