#ifndef POSITION_SERVER_SIM_FILEREPLYSOURCE_H
#define POSITION_SERVER_SIM_FILEREPLYSOURCE_H

#include <memory>
#include <vector>

#include "ReplySource.h"

// The lines of a file, replayed in a loop; each reply is one line with its line feed.
class FileReplySource : public ReplySource
{
public:
  // Null with a one-line reason in `error` when the file cannot be read or holds no bytes.
  static std::unique_ptr<FileReplySource> load(const std::string& path, std::string& error);

  std::string reply(unsigned long sequence) const override;

private:
  explicit FileReplySource(std::vector<std::string> lines);

  std::vector<std::string> m_lines;
};

#endif
