// Configuration files and the values a component bound to Count, Label, Ratio and Enabled then
// holds, on initialising and once the active set is applied. The component in one process and
// ProbeComp as a program (which binds only Count and Label) run the same table.
#ifndef TESTS_MIDDLEWARE_CONFIGURATIONCASES_H
#define TESTS_MIDDLEWARE_CONFIGURATIONCASES_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace testsupport
{
  // ProbeComp's profile: the bound defaults, and one more set.
  const char* const kProbeProfile = "conf.default.Count: 5\n"
                                    "conf.default.Label: plain\n"
                                    "conf.fast.Count: 50\n";

  struct BoundValues
  {
    int count;
    std::string label;
    double ratio;
    bool enabled;
  };

  struct ConfigurationCase
  {
    const char* name;
    const char* file;
    BoundValues initial;   // as onInitialize sees them
    BoundValues active;    // as onActivated sees them
  };

  const ConfigurationCase kConfigurationCases[] = {
    {"ProfileDefaultsWithoutAFile", "", {5, "plain", 0.5, true}, {5, "plain", 0.5, true}},
    {"DefaultSetFromTheFile",
     "# Probe settings\nconf.default.Count: 9\n",
     {9, "plain", 0.5, true},
     {9, "plain", 0.5, true}},
    // The fast Count comes from the profile; the active set is applied only before activation.
    {"ActiveConfigChoosesASetFromProfileAndFile",
     "conf.default.Count: 7\n"
     "conf.default.Label: unused\n"
     "conf.fast.Label = quick\n"
     "conf.fast.Ratio: 2.25\n"
     "conf.fast.Enabled: off\n"
     "configuration.active_config: fast\n",
     {7, "unused", 0.5, true},
     {50, "quick", 2.25, false}},
    // A value the conversion refuses gives the bound default, not the default set's.
    {"RefusedValueInTheDefaultSetFallsBackToTheDefault",
     "conf.default.Count: abc\nconf.default.Ratio: fast\nconf.default.Enabled: maybe\n",
     {5, "plain", 0.5, true},
     {5, "plain", 0.5, true}},
    {"RefusedValueInTheActiveSetFallsBackToTheDefault",
     "conf.default.Count: 9\nconf.fast.Count: abc\nconfiguration.active_config: fast\n",
     {9, "plain", 0.5, true},
     {5, "plain", 0.5, true}},
  };

  inline void PrintTo(const ConfigurationCase& c, std::ostream* out)
  {
    *out << c.name;
  }

  inline std::string configurationCaseName(const ::testing::TestParamInfo<ConfigurationCase>& c)
  {
    return c.param.name;
  }
}

#endif
