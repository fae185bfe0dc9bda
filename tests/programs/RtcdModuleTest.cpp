// The loadable modules InKorvane.so and InKorvaneTest.so in OpenRTM-aist's own component server:
// preloaded, created, connected and activated by its configuration alone, they carry the
// simulator's replies from one component to the other inside one process.
#include "ProgramFixture.h"

namespace programs
{
  class RtcdModules : public ProgramFixture
  {
  };

  TEST_F(RtcdModules, PreloadedModulesCarryTheRepliesFromOneComponentToTheOther)
  {
    // Generated replies carry a sequence number ("POS seq=7 ..."), so each is recognisable.
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    std::unique_ptr<ChildProcess> server = startProgram(
      INKORVANE_OPENRTM_RTCD,
      {"manager.modules.load_path:" + std::string(INKORVANE_MODULE_DIR) + ", " +
         INKORVANE_TEST_MODULE_DIR,
       "manager.modules.preload:InKorvane.so, InKorvaneTest.so",
       "manager.components.precreate:InKorvane, InKorvaneTest",
       "Category.InKorvane.conf.default.Port:" + std::to_string(m_simulatorPort.number()),
       "manager.components.preconnect:InKorvaneTest0.inPositionData?port=InKorvane0."
       "outPositionData&"
       "buffer.length=256",
       "manager.components.preactivation:InKorvane0, InKorvaneTest0"},
      {{"LD_LIBRARY_PATH", INKORVANE_OPENRTM_LIBRARY_DIRS}});

    const std::size_t wanted = 10;
    ASSERT_TRUE(server->waitForStdoutMatch(
      [wanted](const std::string& out) { return countOf(out, "receive data : \n") >= wanted; },
      kPatience))
      << server->stdoutText() << server->stderrText();
    expectEndsWithoutCrash(*server);

    // Both components write to one console, so their lines interleave: each of the first replies
    // must be there twice, once published by InKorvane and once printed by InKorvaneTest.
    const std::string out = server->stdoutText();
    for (std::size_t sequence = 1; sequence <= wanted; ++sequence)
      {
        EXPECT_EQ(countOf(out, "seq=" + std::to_string(sequence) + " "), 2u) << out;
      }
  }
}
