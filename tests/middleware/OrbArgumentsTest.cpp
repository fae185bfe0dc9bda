// The ORB's command line as the middleware, rtctl and the tests build it, and the argument
// vector that carries it to ORB_init.
#include "OrbArguments.h"

#include <omniORB4/CORBA.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace
{
  using Words = std::vector<std::string>;
  using std::chrono::milliseconds;
}

TEST(OrbArguments, OnlyTheOptionsThatAreGivenInAFixedOrder)
{
  RTC::OrbOptions bare;
  EXPECT_EQ(Words{"rtm"}, RTC::orbArguments(bare).words());
  EXPECT_TRUE(RTC::orbOptionWords(bare).empty());

  RTC::OrbOptions full;
  full.program = "rtctl";
  full.endpoint = "giop:tcp:127.0.0.1:2810";
  full.callTimeout = milliseconds(5000);
  full.connectTimeout = milliseconds(2000);
  full.extra = "  -ORBtraceLevel\t10 \n-ORBidleThreadTimeout 1 ";
  EXPECT_EQ((Words{"rtctl", "-ORBendPoint", "giop:tcp:127.0.0.1:2810",
                   "-ORBclientCallTimeOutPeriod", "5000", "-ORBclientConnectTimeOutPeriod", "2000",
                   "-ORBtraceLevel", "10", "-ORBidleThreadTimeout", "1"}),
            RTC::orbArguments(full).words());

  RTC::OrbOptions callOnly;
  callOnly.callTimeout = milliseconds(20000);
  EXPECT_EQ((Words{"-ORBclientCallTimeOutPeriod", "20000"}), RTC::orbOptionWords(callOnly));
}

TEST(OrbArguments, EndpointsDefaultToLoopbackAndAFreePort)
{
  EXPECT_EQ("giop:tcp:127.0.0.1:", RTC::orbEndpoint(""));
  EXPECT_EQ("giop:tcp:127.0.0.1:", RTC::orbEndpoint(":"));
  EXPECT_EQ("giop:tcp:127.0.0.1:2810", RTC::orbEndpoint(":2810"));
  EXPECT_EQ("giop:tcp:192.168.10.5:", RTC::orbEndpoint("192.168.10.5:"));
  EXPECT_EQ("giop:tcp:192.168.10.5:", RTC::orbEndpoint("192.168.10.5"));
  EXPECT_EQ("giop:tcp:0.0.0.0:2810", RTC::orbEndpoint("0.0.0.0:2810"));
}

TEST(ArgumentVector, ArgvIsNullTerminatedAndSurvivesAMove)
{
  RTC::ArgumentVector built(Words{"program", "-o", "a:b", ""});
  RTC::ArgumentVector moved(std::move(built));
  ASSERT_EQ(4, moved.argc());
  EXPECT_STREQ("program", moved.argv()[0]);
  EXPECT_STREQ("a:b", moved.argv()[2]);
  EXPECT_STREQ("", moved.argv()[3]);
  EXPECT_EQ(nullptr, moved.argv()[4]);
  // Writable, as main()'s are: the strings are the vector's own.
  moved.argv()[1][1] = 'f';
  EXPECT_EQ("-f", moved.words()[1]);

  // Short strings live inside the string objects: a move of the vector must not move them.
  RTC::ArgumentVector shortWords(Words{"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  RTC::ArgumentVector target(Words{});
  target = std::move(shortWords);
  for (int i = 0; i < target.argc(); ++i)
    {
      EXPECT_EQ(target.words()[static_cast<std::size_t>(i)].c_str(), target.argv()[i]);
    }
}

// omniORB takes every option it is given and removes it, leaving the program name; an option
// it does not know makes ORB_init fail.
TEST(OrbArguments, OmniOrbAcceptsThem)
{
  RTC::OrbOptions misspelt;
  misspelt.extra = "-ORBclientCallTimeoutPeriod 2000";
  RTC::ArgumentVector refused = RTC::orbArguments(misspelt);
  EXPECT_THROW(CORBA::ORB_init(refused.argc(), refused.argv()), CORBA::SystemException);

  RTC::OrbOptions options;
  options.program = "test";
  options.endpoint = RTC::orbEndpoint("");
  options.callTimeout = milliseconds(3000);
  options.connectTimeout = milliseconds(2000);
  options.extra = "-ORBtraceLevel 0";
  RTC::ArgumentVector arguments = RTC::orbArguments(options);
  CORBA::ORB_var orb;
  ASSERT_NO_THROW(orb = CORBA::ORB_init(arguments.argc(), arguments.argv()));
  EXPECT_EQ(1, arguments.argc());
  EXPECT_STREQ("test", arguments.argv()[0]);
  orb->destroy();
}
