#include "Rtctl.h"

#include "Commands.h"
#include "ToolError.h"

#include <cstdlib>
#include <iostream>

namespace rtctl
{
  namespace
  {
    struct Command
    {
      const char* name;
      const char* synopsis;
      const char* help;
      std::set<std::string> valueOptions;
      int (*run)(ToolContext&, const Arguments&);
      std::set<std::string> flags;   // options without a value
    };

    const Command kCommands[] = {
      {"ls",
       "ls",
       "Lists every component registered in the naming service: its naming path and state, each\n"
       "port with direction and data type, and each connection with its name, id and buffer\n"
       "(length, full policy) and, at in ports of the built-in middleware, the values lost to a\n"
       "full buffer (dropped), and last its own execution context: rate and whether it runs.\n"
       "A component that does not answer, or an object that is not a component, is shown as\n"
       "UNREACHABLE.\n",
       {},
       listCommand,
       {}},
      {"connect",
       "connect NAME:port NAME:port [-p key=value]...\n"
       "       connect NAME:port --topic TOPIC [-p key=value]...",
       "Connects an out port with an in port of the same data type (either order). Properties:\n"
       "  -p buffer.length=N                        values the reader's buffer holds (default 8)\n"
       "  -p buffer.write.full_policy=overwrite     a full buffer drops its oldest value "
       "(default)\n"
       "  -p buffer.write.full_policy=do_nothing    a full buffer drops the new value\n"
       "  -p subscription_type=flush|new            write() delivers, or a publisher thread "
       "does (default flush)\n"
       "  -p publisher.push_policy=all|new          with new: every value, or the newest "
       "(default new)\n"
       "  -p name=TEXT                              the connection's name\n"
       "Other keys go to the connector profile as they are; 'dataport.' is added when missing.\n"
       "With --topic, the one port joins a DDS topic (interface_type fast-rtps), with e.g.\n"
       "  -p marshaling_type=corba|ros2:std_msgs/String   (default corba)\n"
       "  -p fast-rtps.publisher.qos.reliability.kind=best_effort, fastrtps.QoSXML=FILE\n"
       "Prints the connection's name and id.\n",
       {"-p", "--topic"},
       connectCommand,
       {}},
      {"disconnect",
       "disconnect NAME:port NAME:port",
       "Removes every connection between the two ports, at both ends.\n",
       {},
       disconnectCommand,
       {}},
      {"activate",
       "activate NAME... [--timeout S]",
       "Activates the components in order; returns once each onActivated has returned.\n",
       {"--timeout"},
       activateCommand,
       {}},
      {"deactivate",
       "deactivate NAME... [--timeout S]",
       "Deactivates the components in order; returns once each onDeactivated has returned, or\n"
       "fails after S seconds (default 30).\n",
       {"--timeout"},
       deactivateCommand,
       {}},
      {"reset",
       "reset NAME... [--timeout S]",
       "Takes components in the ERROR state back to INACTIVE (onReset).\n",
       {"--timeout"},
       resetCommand,
       {}},
      {"conf",
       "conf NAME [PARAM [VALUE]] [-s SET]",
       "Without PARAM: the active configuration set, the set names and the active set's values.\n"
       "With PARAM: that parameter's value. With VALUE: records the value in the active set (or\n"
       "in SET); the component uses it from its next activation on.\n",
       {"-s"},
       confCommand,
       {}},
      {"rate",
       "rate NAME [HZ]",
       "Prints the rate of the component's own execution context; with HZ (a positive number)\n"
       "sets it first. The new rate applies from the context's next period on.\n",
       {},
       rateCommand,
       {}},
      {"state",
       "state NAME",
       "Prints the component's state: CREATED, INACTIVE, ACTIVE or ERROR.\n",
       {},
       stateCommand,
       {}},
      {"wait",
       "wait NAME STATE [--timeout S]",
       "Waits until the component is in STATE (CREATED, INACTIVE, ACTIVE or ERROR), also while\n"
       "it is not registered yet; fails after S seconds (default 10).\n",
       {"--timeout"},
       waitCommand,
       {}},
      {"exit",
       "exit NAME... [--timeout S]",
       "Deactivates each component, waits until onDeactivated has returned (at most S seconds,\n"
       "default 30), then asks it to exit: its manager finalises it. A process whose last\n"
       "component exits ends (with manager.shutdown_nortcs YES, the default).\n",
       {"--timeout"},
       exitCommand,
       {}},
      {"echo",
       "echo NAME:port [-p key=value]... [--count N] [--stamp]\n"
       "       echo --topic TOPIC [--type TYPE] [-p key=value]... [--count N] [--stamp]",
       "Connects a reader of its own to the out port and prints each value as it arrives, one\n"
       "line each, until Ctrl-C (SIGINT or SIGTERM) or N values; then it disconnects. A\n"
       "TimedString's text is printed as it is (a line feed added unless it ends with one),\n"
       "numbers (TimedShort, TimedLong, TimedUShort, TimedULong, TimedFloat, TimedDouble) and\n"
       "TimedBoolean (true/false) as text. --stamp puts the value's time stamp in front, as\n"
       "sec.nsec (nine digits) and a tab; -p timestamp_policy=on_send has the writer stamp\n"
       "each value as it sends it. -p keys go into the connection as for connect. Ends with\n"
       "status 1 when the writer closes the\n"
       "connection or is gone.\n"
       "The writer calls rtctl back on 127.0.0.1, or on $RTCTL_ENDPOINT (host[:port]).\n"
       "With --topic it joins the DDS topic instead (TYPE default IDL:RTC/TimedString:1.0;\n"
       "-p marshaling_type=ros2:std_msgs/String and the other topic keys as for connect).\n",
       {"--count", "--topic", "--type", "-p"},
       echoCommand,
       {"--stamp"}},
      {"hz",
       "hz NAME:port [-p key=value]... [--count N]\n"
       "       hz --topic TOPIC [--type TYPE] [-p key=value]... [--count N]",
       "Connects a reader of its own to the out port and prints once a second, until Ctrl-C or\n"
       "N lines:\n"
       "  rate=99.9/s period=10.01ms jitter=0.31ms max_dev=1.20ms drops=0\n"
       "rate: values that arrived in that second; period: their mean inter-arrival time;\n"
       "jitter: the standard deviation of the inter-arrival times; max_dev: the largest\n"
       "deviation from the mean (\"-\" with fewer than two values); drops: values that reached\n"
       "rtctl but were lost because it did not keep up. Values the writer never sent cannot be\n"
       "counted; they show as a lower rate and a larger max_dev.\n"
       "The writer calls rtctl back on 127.0.0.1, or on $RTCTL_ENDPOINT (host[:port]).\n"
       "With --topic it joins the DDS topic instead, as echo does.\n",
       {"--count", "--topic", "--type", "-p"},
       hzCommand,
       {}},
      {"watch",
       "watch NAME [--count N] [--heartbeat S]",
       "Registers an observer of its own with the component and prints each notification as it\n"
       "comes, one line each, until Ctrl-C (SIGINT or SIGTERM) or N lines; then it removes the\n"
       "observer again. A line is the status kind and the component's hint, e.g.\n"
       "  RTC_STATUS ACTIVE:0\n"
       "  PORT_PROFILE CONNECT:InKorvane0.outPositionData\n"
       "  CONFIGURATION ACTIVATE_CONFIG_SET: default\n"
       "  EC_STATUS RATE_CHANGED:0\n"
       "With --heartbeat the component also sends a HEARTBEAT line every S seconds. Ends with\n"
       "status 1 when the component is gone. An OpenRTM-aist component accepts the observer\n"
       "only with its ComponentObserverConsumer module loaded.\n"
       "The component calls rtctl back on 127.0.0.1, or on $RTCTL_ENDPOINT (host[:port]).\n",
       {"--count", "--heartbeat"},
       watchCommand,
       {}},
    };

    const char* const kNameHelp =
      "NAME is an instance name, looked up as <this host>.host_cxt/NAME.rtc and then NAME.rtc,\n"
      "or a naming path such as otherhost.host_cxt/InKorvane0.rtc.\n";

    void printUsage(std::ostream& out)
    {
      out << "usage: rtctl [-n host[:port]] COMMAND [ARGUMENTS]\n\ncommands:\n";
      for (const Command& command : kCommands) { out << "  rtctl " << command.synopsis << "\n"; }
      out << "\n-n picks the naming service (default: $RTCTL_NAMESERVER, else localhost; port "
             "2809).\n"
          << kNameHelp << "'rtctl COMMAND --help' describes one command.\n";
    }

    void printHelp(const Command& command)
    {
      std::cout << "usage: rtctl [-n host[:port]] " << command.synopsis << "\n\n" << command.help;
      if (std::string(command.name) != "ls") { std::cout << "\n" << kNameHelp; }
    }

    const Command* findCommand(const std::string& name)
    {
      for (const Command& command : kCommands)
        {
          if (name == command.name) { return &command; }
        }
      return nullptr;
    }

    // Takes "-n host:port" out of the words, wherever it stands.
    std::string takeNameServer(std::vector<std::string>& words)
    {
      const char* fromEnvironment = std::getenv("RTCTL_NAMESERVER");
      std::string nameServer =
        fromEnvironment != nullptr && fromEnvironment[0] != '\0' ? fromEnvironment : "localhost";
      for (std::size_t i = 0; i < words.size();)
        {
          if (words[i] != "-n")
            {
              ++i;
              continue;
            }
          if (i + 1 >= words.size()) { throw ToolError("option -n needs host[:port]", true); }
          nameServer = words[i + 1];
          words.erase(words.begin() + static_cast<long>(i),
                      words.begin() + static_cast<long>(i) + 2);
        }
      if (nameServer.empty() || nameServer[0] == ':')
        {
          throw ToolError("-n needs host[:port], got '" + nameServer + "'", true);
        }
      return nameServer;
    }

    int dispatch(std::vector<std::string> words)
    {
      const std::string nameServer = takeNameServer(words);
      if (words.empty())
        {
          printUsage(std::cerr);
          return 2;
        }
      const std::string name = words.front();
      words.erase(words.begin());
      if (name == "-h" || name == "--help" || name == "help")
        {
          const Command* command = words.empty() ? nullptr : findCommand(words.front());
          if (command != nullptr) { printHelp(*command); }
          else { printUsage(std::cout); }
          return 0;
        }
      const Command* command = findCommand(name);
      if (command == nullptr) { throw ToolError("unknown command '" + name + "'", true); }
      const Arguments arguments =
        parseArguments(words, command->valueOptions, name, command->flags);
      if (arguments.help)
        {
          printHelp(*command);
          return 0;
        }
      ToolContext context(nameServer);
      return command->run(context, arguments);
    }
  }

  int run(int argc, char** argv)
  {
    try
      {
        return dispatch(std::vector<std::string>(argv + 1, argv + argc));
      }
    catch (const ToolError& e)
      {
        std::cerr << "rtctl: " << e.what() << (e.usage() ? " (see rtctl --help)" : "") << std::endl;
        return e.usage() ? 2 : 1;
      }
    catch (const CORBA::Exception& e)
      {
        std::cerr << "rtctl: unexpected CORBA exception " << e._name() << std::endl;
        return 1;
      }
  }
}
