// Connections to DDS topics that cannot be made: each is refused with one line of its own, and
// the component goes on publishing. Built with and without Fast DDS; the last case differs.
#include "ProgramFixture.h"

#include <array>

namespace programs
{
  class TopicRefusal : public ProgramFixture
  {
  };

  TEST_F(TopicRefusal, EachBadConnectionIsOneLineAndTheComponentGoesOn)
  {
    std::unique_ptr<ChildProcess> simulator = startSimulator();
    const std::string port = "InKorvane0.outPositionData?interface_type=fast-rtps";
    // The topic of each entry, then the rest of it, and the reason given.
    const std::vector<std::array<std::string, 3>> cases = {
      {"p1", "&marshaling_type=json",
       "marshaling_type must be corba or ros2:std_msgs/String, got 'json'"},
      {"bad topic", "",
       "fastrtps.topic must be a DDS topic name (a letter, then letters, digits, '_' or single "
       "'/'), got 'bad topic'"},
      {"p2", "&fast-rtps.domain.id=300",
       "fast-rtps.domain.id must be a number from 0 to 232, got '300'"},
      {"p3", "&fast-rtps.publisher.qos.reliability.kind=sometimes",
       "fast-rtps.publisher.qos.reliability.kind must be reliable or best_effort, got "
       "'sometimes'"},
#ifndef INKORVANE_FASTDDS
      {"p4", "",
       "interface_type fast-rtps needs Fast DDS, which this build of the middleware does not "
       "have (install libfastrtps-dev and build again)"},
#endif
    };
    std::string preconnect;
    for (const auto& c : cases)
      {
        preconnect += (preconnect.empty() ? "" : ",") + port + "&fastrtps.topic=" + c[0] + c[1];
      }
    std::unique_ptr<ChildProcess> producer =
      startActiveProducer({"manager.components.preconnect:" + preconnect});
    ASSERT_TRUE(producer->waitForStdoutMatch(
      [](const std::string& out) { return testsupport::publishedValues(out).size() >= 3; },
      kPatience))
      << producer->stderrText();
    expectEndsWithoutCrash(*producer);
    const std::string errors = producer->stderrText();
    for (const auto& c : cases)
      {
        const std::string line =
          "preconnect InKorvane0.outPositionData to its topic: cannot connect "
          "InKorvane0.outPositionData and topic " +
          c[0] + ": " + c[2] + "\n";
        EXPECT_EQ(countOf(errors, line), 1u) << line << errors;
      }
    EXPECT_EQ(countOf(errors, "connected InKorvane0.outPositionData"), 0u) << errors;
  }
}
