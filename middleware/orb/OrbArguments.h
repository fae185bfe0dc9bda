// The command line an ORB is started with, for the middleware, rtctl and the tests: where it
// listens, how long its calls may take, and options given by the operator.
#ifndef RTM_ORB_ORBARGUMENTS_H
#define RTM_ORB_ORBARGUMENTS_H

#include "ArgumentVector.h"

#include <chrono>
#include <string>
#include <vector>

namespace RTC
{
  struct OrbOptions
  {
    std::string program = "rtm";
    // omniORB's endpoint ("giop:tcp:host:port", see orbEndpoint); empty: omniORB's default.
    std::string endpoint;
    // Default bound of every call and of every connection attempt; zero: none given.
    std::chrono::milliseconds callTimeout{0};
    std::chrono::milliseconds connectTimeout{0};
    // Further options as one text of blank-separated words, e.g. "-ORBtraceLevel 10".
    std::string extra;
  };

  // A corba.endpoint ("host:port", "host:", ":port" or empty) as omniORB's endpoint; an empty
  // host means 127.0.0.1, an empty port a free one.
  std::string orbEndpoint(const std::string& corbaEndpoint);

  // The options alone, without the program name (e.g. for omniNames' command line).
  std::vector<std::string> orbOptionWords(const OrbOptions& options);
  // The program name and the options, ready for CORBA::ORB_init.
  ArgumentVector orbArguments(const OrbOptions& options);
}

#endif
