// The whole chain as separate processes: omniNames, PositionServerSim, InKorvaneComp and
// InKorvaneTestComp, driven with rtctl. Shared by the end-to-end and the fault tests.
#ifndef TESTS_E2E_CHAINFIXTURE_H
#define TESTS_E2E_CHAINFIXTURE_H

#include "ChainOutput.h"
#include "RemoteFixture.h"
#include "SimulatorStart.h"

#include <memory>
#include <string>
#include <vector>

namespace e2e
{
  using testsupport::ChildProcess;

  using testsupport::printedValues;
  using testsupport::publishedValues;
  using testsupport::sentReplies;

  struct Chain
  {
    std::unique_ptr<ChildProcess> simulator;
    std::unique_ptr<ChildProcess> producer;
    std::unique_ptr<ChildProcess> consumer;
  };

  class ChainFixture : public remotetest::RemoteFixture
  {
  protected:
    // Simulator, producer and consumer started, ports connected, both components active.
    Chain startActiveChain(const std::vector<std::string>& simulatorOptions = {});
    static bool printedAtLeast(ChildProcess& consumer, std::size_t count);
    static bool publishedAtLeast(ChildProcess& producer, std::size_t count);

    // Starts the simulator on m_simulatorPort with `extra` options, logging to `logName`.
    std::unique_ptr<ChildProcess> startSimulator(const std::vector<std::string>& extra = {},
                                                 const std::string& logName = "sim.log");
    std::unique_ptr<ChildProcess> startProducer(const std::vector<std::string>& options = {});
    std::unique_ptr<ChildProcess> startConsumer(const std::vector<std::string>& options = {});
    std::string simulatorLog(const std::string& logName = "sim.log") const;
    // Connects with a buffer long enough that nothing is dropped at 100 Hz.
    void connectChain();
    // `rtctl exit` of both components; each process must then end with status 0.
    void exitChain(ChildProcess& producer, ChildProcess& consumer);

    testsupport::SimulatorPort m_simulatorPort;
  };
}

#endif
