// Shared pieces of the cross-process tests: a private omniNames, manager processes that
// register there, and rtctl runs. Every wait is bounded.
#ifndef TESTS_MIDDLEWARE_REMOTE_REMOTEFIXTURE_H
#define TESTS_MIDDLEWARE_REMOTE_REMOTEFIXTURE_H

#include "ChainOutput.h"
#include "ChildProcess.h"
#include "HexText.h"
#include "TestSocket.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace remotetest
{
  using testsupport::ChildProcess;
  using testsupport::kPatience;

  struct ToolResult
  {
    int status = -1;
    std::string out;
    std::string err;
  };

  using hextext::toHex;
  using testsupport::countOf;

  class RemoteFixture : public ::testing::Test
  {
  protected:
    void SetUp() override;

    // The -o options every manager gets: this naming service, a quick re-registration
    // interval and a modest execution rate.
    std::vector<std::string> managerOptions(const std::string& nameServer) const;
    // Starts `program` with managerOptions() and `options` (each "key:value").
    std::unique_ptr<ChildProcess>
    startManager(const std::string& program, const std::vector<std::string>& options,
                 const std::map<std::string, std::string>& environment = {});
    // Starts TextPortComp with one component per createComponent argument.
    std::unique_ptr<ChildProcess> startTextPorts(const std::vector<std::string>& components,
                                                 const std::vector<std::string>& options = {});
    // Waits until `process` reports `instance` registered (again: `times` registrations).
    static bool waitRegistered(ChildProcess& process, const std::string& instance,
                               std::size_t times = 1);

    // Runs rtctl against this naming service (or `nameServer`).
    ToolResult rtctl(const std::vector<std::string>& arguments,
                     const std::string& nameServer = std::string());
    // rtctl that must succeed; its standard output.
    std::string rtctlOk(const std::vector<std::string>& arguments,
                        const std::string& nameServer = std::string());

    testsupport::NamingService m_naming;
    testsupport::TemporaryDirectory m_directory;
  };
}

#endif
