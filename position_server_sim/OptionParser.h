#ifndef POSITION_SERVER_SIM_OPTIONPARSER_H
#define POSITION_SERVER_SIM_OPTIONPARSER_H

#include <string>

#include "SimOptions.h"

// Reads the command line ("--name VALUE" or "--name=VALUE").
class OptionParser
{
public:
  // False with a one-line reason in `error` for an unknown option, a missing or bad value.
  static bool parse(int argc, char** argv, SimOptions& options, std::string& error);

  static std::string usage();
};

#endif
