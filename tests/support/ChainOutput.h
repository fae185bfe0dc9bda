// Reads what the chain's programs left behind: the simulator's log of sent replies, the values
// InKorvaneComp published and the values InKorvaneTestComp printed; and the plain text helpers
// those readings are made of.
#ifndef TESTS_SUPPORT_CHAINOUTPUT_H
#define TESTS_SUPPORT_CHAINOUTPUT_H

#include <string>
#include <vector>

namespace testsupport
{
  // The replies (greeting left out) the simulator's log says it sent in session `session`
  // (1 = first), unescaped.
  std::vector<std::string> sentReplies(const std::string& log, int session);
  // The values InKorvaneTestComp printed, each without the line end the consumer adds.
  std::vector<std::string> printedValues(const std::string& consumerOutput);
  // The values InKorvaneComp published, from its "LOG OUTPUT START" ... "LOG OUTPUT END" blocks.
  std::vector<std::string> publishedValues(const std::string& producerOutput);
  // Whether `text` is the concatenation of `count` consecutive values, e.g. what `rtctl echo`
  // printed of replies that end with their own line feed.
  bool isRunOf(const std::vector<std::string>& values, const std::string& text, std::size_t count);
  // How often `part` occurs in `text`, without overlaps.
  std::size_t countOf(const std::string& text, const std::string& part);
  // The lines of `text` without their line feeds; an unfinished last line counts as one.
  std::vector<std::string> linesOf(const std::string& text);
  // The whole contents of a file; empty when it cannot be read.
  std::string readFile(const std::string& path);
}

#endif
