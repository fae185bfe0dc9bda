// rtctl echo and hz: a reader of rtctl's own on an out port; rtctl watch: an observer of rtctl's
// own on a component. Each runs until a count is reached, SIGINT/SIGTERM arrives or the output
// pipe closes; either way the connection or the observer is removed before rtctl ends.
#include "Commands.h"

#include "ConnectorRules.h"
#include "ConnectorSettings.h"
#include "ObserverTap.h"
#include "PortTap.h"
#include "RateMeter.h"
#include "RtctlSurface.h"
#include "ToolError.h"
#include "ValueReader.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace rtctl
{
  namespace
  {
    // Values the reader's buffer holds: enough for a slow terminal to catch up.
    const std::size_t kBufferLength = 256;

    struct Watch
    {
      PortEnd end;
      coil::Properties topic;   // with --topic: the topic keys, and no port
      coil::Properties keys;    // -p: connector keys (with --topic, the topic's)
      const ValueReader* reader = nullptr;
      unsigned long count = 0;   // 0: until a signal
    };

    Watch prepare(ToolContext& context, const Arguments& arguments, const std::string& command)
    {
      Watch watch;
      const std::string count = arguments.option("--count");
      if (!count.empty()) { watch.count = parseCount(count, "--count"); }
      auto keys = arguments.options.find("-p");
      watch.keys = RTC::toProperties(parseConnectorSettings(keys == arguments.options.end()
                                                              ? std::vector<std::string>()
                                                              : keys->second)
                                       .properties);
      const std::string topic = arguments.option("--topic");
      if (!topic.empty())
        {
          if (!arguments.positional.empty())
            {
              throw ToolError(command + ": with --topic expects no port", true);
            }
          watch.topic = watch.keys;
          watch.topic.setProperty("fastrtps.topic", topic);
          const std::string type = arguments.option("--type", "IDL:RTC/TimedString:1.0");
          watch.reader = findValueReader(type);
          if (watch.reader == nullptr)
            {
              throw ToolError("cannot " + command + " topic " + topic + ": rtctl cannot read " +
                              type + " (it reads " + readableTypes() + ")");
            }
          return watch;
        }
      if (arguments.positional.size() != 1)
        {
          throw ToolError(command + ": expects one out port, NAME:port", true);
        }
      watch.end = parsePortEnd(arguments.positional[0], command);
      lookUp(context, watch.end);
      const PortView& view = watch.end.view;
      const std::string cannot = "cannot " + command + " " + watch.end.text + ": ";
      if (view.direction == PortDirection::In)
        {
          throw ToolError(cannot + "it is an in port (" + command + " reads out ports)");
        }
      if (view.direction != PortDirection::Out)
        {
          throw ToolError(cannot + "it " + RTC::notADataPort(view.portType));
        }
      watch.reader = findValueReader(view.dataType);
      if (watch.reader == nullptr)
        {
          throw ToolError(cannot + "rtctl cannot read its data type " +
                          (view.dataType.empty() ? "(none given)" : view.dataType) + " (it reads " +
                          readableTypes() + ")");
        }
      return watch;
    }

    // SIGINT and SIGTERM only mark the end; the loops see it within a tick. A reader that
    // closed the pipe ends the loop too, instead of the process.
    RTC::ShutdownSignal& endSignal()
    {
      static RTC::ShutdownSignal signal;
      static bool installed = false;
      if (!installed)
        {
          signal.install();
          std::signal(SIGPIPE, SIG_IGN);
          installed = true;
        }
      return signal;
    }

    // False once standard output cannot be written (the reader of the pipe went away).
    bool print(const std::string& text)
    {
      return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
             std::fflush(stdout) == 0;
    }

    // Asks the writer once a second whether the connection is still there.
    class WriterCheck
    {
    public:
      explicit WriterCheck(PortTap& tap)
        : m_tap(tap), m_next(PortTap::Clock::now() + TimeOuts::kToolWriterCheck)
      {
      }
      // Throws ToolError once the connection is gone. A topic has no writer to ask.
      void operator()(const Watch& watch)
      {
        const PortEnd& end = watch.end;
        if (!watch.topic.propertyNames().empty() || PortTap::Clock::now() < m_next) { return; }
        m_next = PortTap::Clock::now() + TimeOuts::kToolWriterCheck;
        if (!m_tap.stillConnected())
          {
            throw ToolError("the connection to " + end.text + " was closed (" + end.component +
                            " ended it or is gone)");
          }
      }

    private:
      PortTap& m_tap;
      PortTap::Clock::time_point m_next;
    };

    void start(PortTap& tap, const Watch& watch)
    {
      if (watch.topic.propertyNames().empty())
        {
          tap.connect(watch.end, kBufferLength, watch.keys);
        }
      else { tap.joinTopic(watch.topic, kBufferLength); }
    }

    double seconds(PortTap::Clock::time_point time)
    {
      return std::chrono::duration<double>(time.time_since_epoch()).count();
    }
  }

  int echoCommand(ToolContext& context, const Arguments& arguments)
  {
    const Watch watch = prepare(context, arguments, "echo");
    const bool stamp = arguments.flag("--stamp");
    RTC::ShutdownSignal& signal = endSignal();
    PortTap tap(context, "rtctl_echo", *watch.reader);
    start(tap, watch);
    WriterCheck check(tap);
    unsigned long printed = 0;
    bool open = true;
    while (open && !signal.requested() && (watch.count == 0 || printed < watch.count))
      {
        RTC::EncodedValue value;
        while (open && (watch.count == 0 || printed < watch.count) && tap.take(value))
          {
            Sample sample;
            if (!watch.reader->read(value, sample)) { continue; }   // checked on arrival
            open = print(sampleLine(sample, stamp));
            ++printed;
          }
        tap.takeArrivals();
        if (open && (watch.count == 0 || printed < watch.count))
          {
            tap.waitForArrival(TimeOuts::kToolWatchTick);
            check(watch);
          }
      }
    const unsigned long long dropped = tap.dropped();
    tap.disconnect();
    if (dropped > 0)
      {
        std::cerr << "rtctl: " << dropped << " values were lost: the output did not keep up"
                  << std::endl;
      }
    return 0;
  }

  int hzCommand(ToolContext& context, const Arguments& arguments)
  {
    const Watch watch = prepare(context, arguments, "hz");
    RTC::ShutdownSignal& signal = endSignal();
    PortTap tap(context, "rtctl_hz", *watch.reader);
    start(tap, watch);
    WriterCheck check(tap);
    PortTap::Clock::time_point windowEnd = PortTap::Clock::now() + std::chrono::seconds(1);
    RateMeter meter(seconds(windowEnd - std::chrono::seconds(1)));
    unsigned long long droppedBefore = 0;
    unsigned long lines = 0;
    bool open = true;
    while (open && !signal.requested() && (watch.count == 0 || lines < watch.count))
      {
        const bool due = PortTap::Clock::now() >= windowEnd;
        // Emptied as they come: values lost here are only those a stalled rtctl missed.
        RTC::EncodedValue value;
        while (tap.take(value)) {}
        for (PortTap::Clock::time_point arrival : tap.takeArrivals())
          {
            meter.arrival(seconds(arrival));
          }
        if (due)
          {
            const unsigned long long dropped = tap.dropped();
            const RateSummary summary = meter.close(seconds(windowEnd), dropped - droppedBefore);
            droppedBefore = dropped;
            open = print(summaryLine(summary) + "\n");
            ++lines;
            windowEnd += std::chrono::seconds(1);
            continue;
          }
        tap.waitForArrival(TimeOuts::kToolWatchTick);
        check(watch);
      }
    tap.disconnect();
    return 0;
  }

  int watchCommand(ToolContext& context, const Arguments& arguments)
  {
    if (arguments.positional.size() != 1)
      {
        throw ToolError("watch: expects one component NAME", true);
      }
    const std::string& name = arguments.positional[0];
    const std::string countText = arguments.option("--count");
    const unsigned long count = countText.empty() ? 0 : parseCount(countText, "--count");
    const std::string beat = arguments.option("--heartbeat");
    const double heartbeat = beat.empty() ? 0.0 : parseSeconds(beat, "--heartbeat");
    RTC::RTObject_var component = context.find(name);
    RTC::ShutdownSignal& signal = endSignal();
    ObserverTap tap(context);
    tap.observe(component.in(), name, heartbeat);
    PortTap::Clock::time_point nextCheck = PortTap::Clock::now() + TimeOuts::kToolWriterCheck;
    unsigned long printed = 0;
    bool open = true;
    while (open && !signal.requested() && (count == 0 || printed < count))
      {
        std::string line;
        if (tap.take(line, TimeOuts::kToolWatchTick))
          {
            open = print(line + "\n");
            ++printed;
          }
        // A component that is gone sends nothing more: said once a second at most.
        if (PortTap::Clock::now() >= nextCheck)
          {
            nextCheck = PortTap::Clock::now() + TimeOuts::kToolWriterCheck;
            if (!tap.componentAlive()) { throw ToolError(name + " is gone"); }
          }
      }
    return 0;
  }
}
