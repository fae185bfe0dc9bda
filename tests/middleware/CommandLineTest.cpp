// The manager's command line and how its configuration is put together: built-in defaults,
// then the file, then -o and -p.
#include "ArgumentVector.h"
#include "CommandLine.h"

#include <ChildProcess.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace
{
  bool parse(std::vector<std::string> arguments, RTC::CommandLine& result, std::string& error)
  {
    arguments.insert(arguments.begin(), "Comp");
    RTC::ArgumentVector argv(std::move(arguments));
    return RTC::parseCommandLine(argv.argc(), argv.argv(), result, error);
  }

  coil::Properties configFrom(const std::vector<std::string>& arguments)
  {
    RTC::CommandLine commandLine;
    std::string error;
    EXPECT_TRUE(parse(arguments, commandLine, error)) << error;
    coil::Properties config;
    EXPECT_TRUE(RTC::buildManagerConfig(commandLine, config, error)) << error;
    return config;
  }

  // RTC_MANAGER_CONFIG set for the scope of one test.
  class ScopedManagerConfig
  {
  public:
    explicit ScopedManagerConfig(const std::string& path)
    {
      ::setenv("RTC_MANAGER_CONFIG", path.c_str(), 1);
    }
    ~ScopedManagerConfig() { ::unsetenv("RTC_MANAGER_CONFIG"); }
  };
}

TEST(CommandLine, AcceptedOptions)
{
  RTC::CommandLine commandLine;
  std::string error;
  ASSERT_TRUE(parse({"-a", "-d", "-f", "my.conf", "-o", " corba.nameservers : host:2809 ", "-o",
                     "empty:", "-p", "2810"},
                    commandLine, error))
    << error;
  EXPECT_EQ("my.conf", commandLine.configFile);
  ASSERT_EQ(2u, commandLine.overrides.size());
  EXPECT_EQ("corba.nameservers", commandLine.overrides[0].first);
  EXPECT_EQ("host:2809", commandLine.overrides[0].second) << "split at the first colon only";
  EXPECT_EQ("empty", commandLine.overrides[1].first);
  EXPECT_EQ("", commandLine.overrides[1].second);
  EXPECT_EQ("2810", commandLine.endpointPort);
}

TEST(CommandLine, RefusedWithOneLine)
{
  const std::vector<std::vector<std::string>> badLines = {
    {"-x"},           {"stray"},          {"-f"},        {"-o"},          {"-o", "novalue"},
    {"-o", ":value"}, {"-o", "  :value"}, {"-p", "abc"}, {"-p", "70000"}, {"-p", "-1"},
    {"-p", ""},
  };
  for (const std::vector<std::string>& arguments : badLines)
    {
      RTC::CommandLine commandLine;
      std::string error;
      EXPECT_FALSE(parse(arguments, commandLine, error)) << arguments[0];
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(std::string::npos, error.find('\n'));
    }
}

TEST(ManagerConfig, DefaultsFileThenOptions)
{
  testsupport::TemporaryDirectory directory;
  directory.write("rtc.conf", "exec_cxt.periodic.rate: 100\n"
                              "naming.formats: %n.rtc\n"
                              "corba.endpoint: 127.0.0.1:2000\n");
  coil::Properties config =
    configFrom({"-f", directory.file("rtc.conf"), "-o", "naming.formats:%h/%n.rtc", "-o",
                "naming.formats:%n.rtc", "-o", "naming.enable:NO", "-p", "2811"});
  EXPECT_EQ("100", config.getProperty("exec_cxt.periodic.rate"));
  EXPECT_EQ("%n.rtc", config.getProperty("naming.formats")) << "the last -o wins";
  EXPECT_EQ("NO", config.getProperty("naming.enable"));
  EXPECT_EQ("127.0.0.1:2811", config.getProperty("corba.endpoint")) << "-p keeps the host";
  EXPECT_EQ("localhost", config.getProperty("corba.nameservers"));
  EXPECT_EQ("YES", config.getProperty("manager.shutdown_nortcs"));

  coil::Properties defaults = configFrom({"-o", "naming.enable:NO"});
  EXPECT_EQ("1000", defaults.getProperty("exec_cxt.periodic.rate"));
  EXPECT_EQ("%h.host_cxt/%n.rtc", defaults.getProperty("naming.formats"));
}

TEST(ManagerConfig, EnvironmentNamesTheFileUnlessMinusF)
{
  testsupport::TemporaryDirectory directory;
  directory.write("env.conf", "exec_cxt.periodic.rate: 20\n");
  directory.write("f.conf", "exec_cxt.periodic.rate: 30\n");
  ScopedManagerConfig environment(directory.file("env.conf"));
  EXPECT_EQ("20", configFrom({}).getProperty("exec_cxt.periodic.rate"));
  EXPECT_EQ("30",
            configFrom({"-f", directory.file("f.conf")}).getProperty("exec_cxt.periodic.rate"));
}

TEST(ManagerConfig, MissingOrMalformedFileIsAnError)
{
  testsupport::TemporaryDirectory directory;
  directory.write("bad.conf", "exec_cxt.periodic.rate: 20\nno separator here\n");
  for (const std::string& file :
       {directory.file("missing.conf"), directory.file("bad.conf"), directory.path()})
    {
      RTC::CommandLine commandLine;
      commandLine.configFile = file;
      coil::Properties config;
      std::string error;
      EXPECT_FALSE(RTC::buildManagerConfig(commandLine, config, error)) << file;
      EXPECT_NE(std::string::npos, error.find(file)) << error;
    }
  ScopedManagerConfig environment(directory.file("missing.conf"));
  RTC::CommandLine commandLine;
  coil::Properties config;
  std::string error;
  EXPECT_FALSE(RTC::buildManagerConfig(commandLine, config, error));
}
