// The rtctl program: global options, subcommand dispatch, help, and exit statuses
// (0 done, 1 failed, 2 wrong command line).
#ifndef RTCTL_RTCTL_H
#define RTCTL_RTCTL_H

namespace rtctl
{
  int run(int argc, char** argv);
}

#endif
