// PositionServerSim: a position server to try the position source component against and to test
// it with. See OptionParser::usage() for what it does.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "EventLog.h"
#include "FileReplySource.h"
#include "OptionParser.h"
#include "SessionServer.h"
#include "ShutdownSignal.h"
#include "TrajectoryReplySource.h"

namespace
{
  int badCommandLine(const std::string& reason)
  {
    std::fprintf(stderr, "PositionServerSim: %s\n", reason.c_str());
    return 2;
  }
}   // namespace

int main(int argc, char** argv)
{
  // Standard error may be a pipe whose reader has gone; losing progress lines must not end the
  // server. Sockets already send with MSG_NOSIGNAL.
  std::signal(SIGPIPE, SIG_IGN);

  SimOptions options;
  std::string error;
  if (!OptionParser::parse(argc, argv, options, error))
    {
      return badCommandLine(error + " (see --help)");
    }
  if (options.showHelp)
    {
      std::fputs(OptionParser::usage().c_str(), stdout);
      return 0;
    }

  std::unique_ptr<ReplySource> source;
  if (options.repliesFile.empty())
    {
      source = std::make_unique<TrajectoryReplySource>(options.stampReplies);
    }
  else if (!(source = FileReplySource::load(options.repliesFile, error)))
    {
      return badCommandLine(error);
    }
  EventLog log;
  if (!options.logFile.empty() && !log.openFile(options.logFile, error))
    {
      return badCommandLine(error);
    }
  RTC::ShutdownSignal stop;
  if (!stop.ready())
    {
      std::fprintf(stderr, "PositionServerSim: cannot create the stop pipe\n");
      return 1;
    }
  stop.install();
  return SessionServer(options, *source, log, stop.fd()).run();
}
