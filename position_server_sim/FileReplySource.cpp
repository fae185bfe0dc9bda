#include "FileReplySource.h"

#include <fstream>
#include <iterator>

std::unique_ptr<FileReplySource> FileReplySource::load(const std::string& path, std::string& error)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
    {
      error = "--replies cannot read '" + path + "'";
      return nullptr;
    }
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.empty())
    {
      error = "--replies file '" + path + "' holds no lines";
      return nullptr;
    }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size())
    {
      const std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos)
        {
          lines.push_back(bytes.substr(start) + "\n");   // a last line without its line feed
          break;
        }
      lines.push_back(bytes.substr(start, end + 1 - start));
      start = end + 1;
    }
  return std::unique_ptr<FileReplySource>(new FileReplySource(std::move(lines)));
}

FileReplySource::FileReplySource(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

std::string FileReplySource::reply(unsigned long sequence) const
{
  return m_lines[(sequence - 1) % m_lines.size()];
}
