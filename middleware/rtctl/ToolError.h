// A failure the tool reports as one line on standard error before it exits.
#ifndef RTCTL_TOOLERROR_H
#define RTCTL_TOOLERROR_H

#include <stdexcept>
#include <string>

namespace rtctl
{
  class ToolError : public std::runtime_error
  {
  public:
    // `usage`: the command line itself was wrong (exit status 2 rather than 1).
    explicit ToolError(const std::string& message, bool usage = false)
      : std::runtime_error(message), m_usage(usage)
    {
    }
    bool usage() const { return m_usage; }

  private:
    bool m_usage;
  };
}

#endif
