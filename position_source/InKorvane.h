// InKorvane: publishes each reply of the position server on the data port "outPositionData".
//
// While active, a one-shot receive worker waits for one reply; the periodic onExecute publishes
// it, starts the next worker and sends the next request. The execution context thread never
// blocks on the network in onExecute.
#ifndef POSITION_SOURCE_INKORVANE_H
#define POSITION_SOURCE_INKORVANE_H

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataOutPort.h>
#include <rtm/Manager.h>

#include <string>
#include <thread>

class InKorvane : public RTC::DataFlowComponentBase
{
public:
  explicit InKorvane(RTC::Manager* manager);
  ~InKorvane() override;

  RTC::ReturnCode_t onInitialize() override;
  RTC::ReturnCode_t onFinalize() override;
  RTC::ReturnCode_t onActivated(RTC::UniqueId ec_id) override;
  RTC::ReturnCode_t onDeactivated(RTC::UniqueId ec_id) override;
  RTC::ReturnCode_t onExecute(RTC::UniqueId ec_id) override;

private:
  // Joins a previous worker first: replacing or dropping a joinable thread would abort the process.
  void startWorker();
  void joinWorker();

  std::string m_IPAddress;
  short m_Port;
  // Value-initialised: the time stamp goes out as 0, never as whatever the memory held.
  RTC::TimedString m_outPositionData{};
  RTC::OutPort<RTC::TimedString> m_outPositionDataOut;
  bool m_connected;
  std::thread m_worker;
};

extern "C"
{
  // Registers the InKorvane factory with the manager.
  DLL_EXPORT void InKorvaneInit(RTC::Manager* manager);
}

#endif
