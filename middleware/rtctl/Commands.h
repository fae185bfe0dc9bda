// The rtctl subcommands. Each returns the exit status, prints its results on standard output
// and throws ToolError for the one line that explains a failure.
#ifndef RTCTL_COMMANDS_H
#define RTCTL_COMMANDS_H

#include "Arguments.h"
#include "ToolContext.h"

namespace rtctl
{
  int listCommand(ToolContext& context, const Arguments& arguments);
  int connectCommand(ToolContext& context, const Arguments& arguments);
  int disconnectCommand(ToolContext& context, const Arguments& arguments);
  int activateCommand(ToolContext& context, const Arguments& arguments);
  int deactivateCommand(ToolContext& context, const Arguments& arguments);
  int resetCommand(ToolContext& context, const Arguments& arguments);
  int exitCommand(ToolContext& context, const Arguments& arguments);
  int stateCommand(ToolContext& context, const Arguments& arguments);
  int waitCommand(ToolContext& context, const Arguments& arguments);
  int confCommand(ToolContext& context, const Arguments& arguments);
  int echoCommand(ToolContext& context, const Arguments& arguments);
  int hzCommand(ToolContext& context, const Arguments& arguments);
  int rateCommand(ToolContext& context, const Arguments& arguments);
  int watchCommand(ToolContext& context, const Arguments& arguments);
}

#endif
