#include "OptionParser.h"

#include <arpa/inet.h>

#include <charconv>
#include <limits>

namespace
{
  template <typename Number>
  bool parseNumber(const std::string& text, Number low, Number high, Number& value)
  {
    const char* end = text.data() + text.size();
    Number parsed{};
    const auto [stop, failure] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || failure != std::errc() || stop != end || parsed < low || parsed > high)
      {
        return false;
      }
    value = parsed;
    return true;
  }

  template <typename Number>
  bool numberOption(const std::string& name, const std::string& text, Number low, Number high,
                    Number& value, std::string& error)
  {
    if (parseNumber(text, low, high, value)) { return true; }
    error = name + " needs a whole number from " + std::to_string(low) + " to " +
            std::to_string(high) + ", not '" + text + "'";
    return false;
  }
}   // namespace

bool OptionParser::parse(int argc, char** argv, SimOptions& options, std::string& error)
{
  for (int index = 1; index < argc; ++index)
    {
      std::string name = argv[index];
      std::string value;
      bool hasValue = false;
      if (const auto equals = name.find('=');
          name.rfind("--", 0) == 0 && equals != std::string::npos)
        {
          value = name.substr(equals + 1);
          name.resize(equals);
          hasValue = true;
        }
      if (name == "--help" || name == "-h")
        {
          options.showHelp = true;
          continue;
        }
      if (name == "--stamp" && !hasValue)
        {
          options.stampReplies = true;
          continue;
        }
      if (name != "--host" && name != "--port" && name != "--replies" && name != "--delay" &&
          name != "--fault" && name != "--size" && name != "--max-sessions" && name != "--log")
        {
          error = "unknown option '" + std::string(argv[index]) + "'";
          return false;
        }
      if (!hasValue)
        {
          if (index + 1 >= argc)
            {
              error = name + " needs a value";
              return false;
            }
          value = argv[++index];
        }

      bool good = true;
      if (name == "--host")
        {
          in_addr address{};
          good = ::inet_pton(AF_INET, value.c_str(), &address) == 1;
          if (!good) { error = "--host needs a dotted IPv4 address, not '" + value + "'"; }
          options.host = value;
        }
      else if (name == "--port")
        {
          good = numberOption<unsigned short>(name, value, 0, 65535, options.port, error);
        }
      else if (name == "--replies") { options.repliesFile = value; }
      else if (name == "--delay")
        {
          good = numberOption<unsigned>(name, value, 0, 3600000, options.delayMs, error);
        }
      else if (name == "--fault")
        {
          const auto mode = faultModeFromName(value);
          good = mode.has_value();
          if (good) { options.fault = *mode; }
          else { error = "--fault has no mode '" + value + "' (see --help)"; }
        }
      else if (name == "--size")
        {
          good =
            numberOption<std::size_t>(name, value, 1, 100000000, options.oversizedBytes, error);
        }
      else if (name == "--max-sessions")
        {
          good = numberOption<unsigned>(name, value, 0, std::numeric_limits<unsigned>::max(),
                                        options.maxSessions, error);
        }
      else { options.logFile = value; }
      if (!good) { return false; }
    }
  return true;
}

std::string OptionParser::usage()
{
  return "Usage: PositionServerSim [OPTION]...\n"
         "A position server for trying and testing the position source component. Each session\n"
         "gets the greeting \"HELLO\\n\", then one reply per line feed it sends; \"Q\" ends it.\n"
         "Sessions are served one after another and several at once. Progress goes to standard\n"
         "error, starting with \"PositionServerSim listening on ADDRESS:PORT\". SIGINT or SIGTERM\n"
         "ends the server (exit status 0).\n"
         "\n"
         "  --host ADDRESS       dotted IPv4 address to listen on (default 127.0.0.1)\n"
         "  --port N             port to listen on (default 7003; 0 picks a free one)\n"
         "  --replies FILE       replay the lines of FILE in a loop, one line with its line feed\n"
         "                       per reply (default: a generated trajectory such as\n"
         "                       \"POS seq=1 x=1.998 y=0.075 z=0.001 yaw=93.8\")\n"
         "  --delay MS           wait MS milliseconds before each reply (default 0)\n"
         "  --fault MODE         misbehave on purpose in every session, MODE one of:\n" +
         faultModeHelp() +
         "  --size N             bytes of an oversized reply (default 10000)\n"
         "  --stamp              end each generated reply with \" t=NS\", the time it is sent\n"
         "                       on the steady clock (CLOCK_MONOTONIC) in ns, for latency\n"
         "                       measurements\n"
         "  --max-sessions N     accept N sessions, then end once they are over (default 0: no "
         "limit)\n"
         "  --log FILE           append one line per event to FILE:\n"
         "                       SESSION n OPEN, SESSION n CLOSED, SENT n BYTES, RECV n LF, RECV n "
         "Q,\n"
         "                       RECV n OTHER BYTES, RECV n EOF, RECV n ERROR text, SEND n ERROR "
         "text;\n"
         "                       BYTES escaped: line feed as \\n, backslash as \\\\, any other\n"
         "                       byte outside printable ASCII as \\xHH\n"
         "  --help               show this text\n"
         "\n"
         "Exit status: 0 when stopped by a signal or after --max-sessions, 1 when it cannot\n"
         "listen, 2 for a bad command line.\n";
}
