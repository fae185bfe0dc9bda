// A plain Fast DDS reader of ROS 2's std_msgs/String, written apart from the middleware (the
// type is decoded with Fast CDR), with ROS 2's default reader QoS: reliable, volatile, keep
// last 10. It also keeps every locator that the participants it discovers announce.
#ifndef TESTS_MIDDLEWARE_DDS_ROS2STRINGREADER_H
#define TESTS_MIDDLEWARE_DDS_ROS2STRINGREADER_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace ddstest
{
  class Ros2StringReader
  {
  public:
    // Subscribes to `topic` as DDS names it ("rt/positions"), in `domain`, with Fast DDS's
    // default participant (the profile FASTRTPS_DEFAULT_PROFILES_FILE names).
    Ros2StringReader(const std::string& topic, int domain);
    ~Ros2StringReader();

    bool waitForWriter(std::chrono::milliseconds patience);
    std::vector<std::string> texts();
    // "address:port" of every unicast and multicast locator other participants announced.
    std::vector<std::string> announcedLocators();
    std::size_t participantsSeen();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
  };
}

#endif
