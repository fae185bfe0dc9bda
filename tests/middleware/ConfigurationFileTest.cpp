// Where ProbeComp's configuration comes from when it runs as a program: the profile's defaults,
// the per-type config file with its sets and configuration.active_config, -o over the manager's
// file, and how that file is found (-f, RTC_MANAGER_CONFIG, ./rtc.conf).
#include "ConfigurationCases.h"
#include "ProbeProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

using testsupport::fieldOf;
using testsupport::linesOf;
using testsupport::probeTimeout;
using testsupport::startProbe;
using testsupport::TemporaryDirectory;

namespace
{
  struct Seen
  {
    std::string count;   // as onActivated printed them
    std::string label;
    std::string initialCount;   // as onInitialize printed them
    std::string initialLabel;
  };

  // Runs ProbeComp with Probe0 preactivated until it has been activated, stops it, and returns
  // Count and Label as onActivated and onInitialize printed them.
  Seen probeConfiguration(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {},
                          const std::string& workingDirectory = std::string())
  {
    std::vector<std::string> all = {"-o", "manager.components.preactivation:Probe0"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    auto probe = startProbe(all, environment, workingDirectory);
    EXPECT_TRUE(probe->waitForStdout("Probe0 onActivated", probeTimeout)) << probe->stderrText();
    probe->signal(SIGTERM);
    EXPECT_TRUE(probe->wait(probeTimeout));
    EXPECT_EQ(0, probe->exitCode()) << probe->stderrText();
    std::vector<std::string> lines = linesOf(probe->stdoutText());
    return Seen{fieldOf(lines, "Probe0 onActivated", "Count"),
                fieldOf(lines, "Probe0 onActivated", "Label"),
                fieldOf(lines, "Probe0 onInitialize", "Count"),
                fieldOf(lines, "Probe0 onInitialize", "Label")};
  }

  std::vector<std::string> withConfigFile(const std::string& path)
  {
    return {"-o", "Test.Probe.config_file:" + path};
  }
}

class ConfigurationFile : public ::testing::TestWithParam<testsupport::ConfigurationCase>
{
};

TEST_P(ConfigurationFile, ProbeSeesTheDefaultSetThenTheActiveOne)
{
  TemporaryDirectory directory;
  directory.write("probe.conf", GetParam().file);
  Seen seen =
    probeConfiguration(*GetParam().file == '\0' ? std::vector<std::string>()
                                                : withConfigFile(directory.file("probe.conf")));
  EXPECT_EQ(std::to_string(GetParam().initial.count), seen.initialCount);
  EXPECT_EQ(GetParam().initial.label, seen.initialLabel);
  EXPECT_EQ(std::to_string(GetParam().active.count), seen.count);
  EXPECT_EQ(GetParam().active.label, seen.label);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigurationFile,
                         ::testing::ValuesIn(testsupport::kConfigurationCases),
                         testsupport::configurationCaseName);

TEST(ConfigurationFile, InstanceFileAppliesToThatInstanceOnly)
{
  TemporaryDirectory directory;
  directory.write("second.conf", "conf.default.Label: second\n");
  auto probe = startProbe({"-o", "Test.Probe1.config_file:" + directory.file("second.conf")},
                          {{"PROBE_COUNT", "2"}});
  ASSERT_TRUE(probe->waitForStdout("Probe1 onStartup", probeTimeout)) << probe->stderrText();
  probe->signal(SIGTERM);
  ASSERT_TRUE(probe->wait(probeTimeout));
  std::vector<std::string> lines = linesOf(probe->stdoutText());
  EXPECT_EQ("plain", fieldOf(lines, "Probe0 onInitialize", "Label"));
  EXPECT_EQ("second", fieldOf(lines, "Probe1 onInitialize", "Label"));
}

TEST(ConfigurationFile, CommandLineOverridesTheManagerFile)
{
  TemporaryDirectory directory;
  directory.write("a.conf", "conf.default.Label: a\n");
  directory.write("b.conf", "conf.default.Label: b\n");
  directory.write("rtc.conf",
                  "naming.enable: YES\nTest.Probe.config_file: " + directory.file("a.conf") + "\n");
  EXPECT_EQ("a", probeConfiguration({"-f", directory.file("rtc.conf")}).label);
  EXPECT_EQ("b", probeConfiguration({"-f", directory.file("rtc.conf"), "-o",
                                     "Test.Probe.config_file:" + directory.file("b.conf")})
                   .label);
}

TEST(ConfigurationFile, ManagerFileFromMinusFThenEnvironmentThenWorkingDirectory)
{
  TemporaryDirectory directory;
  for (const std::string name : {"f", "env", "cwd"})
    {
      directory.write(name + ".probe.conf", "conf.default.Label: " + name + "\n");
      directory.write(name + ".rtc.conf",
                      "Test.Probe.config_file: " + directory.file(name + ".probe.conf") + "\n");
    }
  directory.write("rtc.conf", "Test.Probe.config_file: " + directory.file("cwd.probe.conf") + "\n");
  const std::map<std::string, std::string> environment = {
    {"RTC_MANAGER_CONFIG", directory.file("env.rtc.conf")}};

  EXPECT_EQ(
    "f",
    probeConfiguration({"-f", directory.file("f.rtc.conf")}, environment, directory.path()).label);
  EXPECT_EQ("env", probeConfiguration({}, environment, directory.path()).label);
  EXPECT_EQ("cwd", probeConfiguration({}, {{"RTC_MANAGER_CONFIG", ""}}, directory.path()).label);
}
