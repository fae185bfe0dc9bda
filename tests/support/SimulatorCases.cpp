#include "SimulatorCases.h"

namespace testsupport
{
  const std::vector<FaultCase>& simulatorFaultCases()
  {
    static const std::vector<FaultCase> cases = {
      {"NoGreeting",
       {"--fault", "no-greeting"},
       {"waiting...\n", "5 seconds time out\n"},
       {"Find HELLO", "LOG OUTPUT START"}},
      {"WrongGreeting",
       {"--fault", "wrong-greeting"},
       {"Not Find\n"},
       {"LOG OUTPUT START", "request: <LF>"}},
      {"SplitGreeting",
       {"--fault", "split-greeting"},
       {"Not Find\n"},
       {"LOG OUTPUT START", "request: <LF>"}},
      {"SlowReply",
       {"--fault", "slow-reply"},
       {"Find HELLO\n", "5 seconds time out\n", "LOG OUTPUT START\n"},
       {}},
      {"NoReply",
       {"--fault", "no-reply"},
       {"Find HELLO\n", "5 seconds time out\n", "request: <LF>\n"},
       {"LOG OUTPUT START"}},
      {"CloseAtOnce",
       {"--fault", "close-at-once"},
       {"recv ERORR !!\n"},
       {"Find HELLO", "LOG OUTPUT START"}},
      {"OversizedReply",
       {"--fault", "oversized-reply"},
       {"Find HELLO\n", "LOG OUTPUT START\n"},
       {}},
      {"ZeroByteReply",
       {"--fault", "zero-byte-reply"},
       {"Find HELLO\n", "LOG OUTPUT START\n"},
       {"after-zero"}},
    };
    return cases;
  }

  const char* const kAwkwardReplies = "POS 1 x=0.125 y=-3.5\n"
                                      "tab\tinside and trailing blanks  \n"
                                      "\xc3\xbc\xe2\x82\xac bytes above 127\n"
                                      "quote \" backslash \\ percent %s %d\n"
                                      "\n"
                                      "   leading blanks\n";
}
