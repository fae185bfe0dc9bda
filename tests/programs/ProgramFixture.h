// The component programs as a user runs them, under whichever middleware they were built on:
// configured only through manager options, driven only by those options and by signals, and
// watched through their console and the simulator's log.
#ifndef TESTS_PROGRAMS_PROGRAMFIXTURE_H
#define TESTS_PROGRAMS_PROGRAMFIXTURE_H

#include "ChainOutput.h"
#include "ChildProcess.h"
#include "SimulatorStart.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace programs
{
  using testsupport::ChildProcess;
  using testsupport::countOf;
  using testsupport::kPatience;

  // Ends a program with SIGINT and waits for it; false if it is still running afterwards.
  bool interrupt(ChildProcess& program);
  // Interrupts a program and expects it to end without a crash (no SIGSEGV, SIGABRT, SIGBUS).
  void expectEndsWithoutCrash(ChildProcess& program);
  // Waits until InKorvaneTestComp has printed at least `count` values.
  bool waitPrinted(ChildProcess& consumer, std::size_t count);

  class ProgramFixture : public ::testing::Test
  {
  protected:
    // Starts PositionServerSim on m_simulatorPort with `extra` options, logging to sim.log.
    std::unique_ptr<ChildProcess> startSimulator(const std::vector<std::string>& extra = {});
    std::string simulatorLog() const;

    // Starts a program in the test's directory with the options every program gets here (ORB
    // on loopback, no naming service, 100 Hz) followed by `options`, each "key:value".
    std::unique_ptr<ChildProcess>
    startProgram(const std::string& path, const std::vector<std::string>& options,
                 const std::map<std::string, std::string>& environment = {});
    // InKorvaneComp aimed at the simulator's port and activated at start.
    std::unique_ptr<ChildProcess> startActiveProducer(const std::vector<std::string>& options = {});
    testsupport::TemporaryDirectory m_directory;
    testsupport::SimulatorPort m_simulatorPort;
  };
}

#endif
