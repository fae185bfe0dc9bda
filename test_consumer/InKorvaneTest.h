// InKorvaneTest: prints each value that arrives on the data port "inPositionData".
#ifndef TEST_CONSUMER_INKORVANETEST_H
#define TEST_CONSUMER_INKORVANETEST_H

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/Manager.h>

class InKorvaneTest : public RTC::DataFlowComponentBase
{
public:
  explicit InKorvaneTest(RTC::Manager* manager);
  ~InKorvaneTest() override;

  RTC::ReturnCode_t onInitialize() override;
  RTC::ReturnCode_t onFinalize() override;
  RTC::ReturnCode_t onActivated(RTC::UniqueId ec_id) override;
  RTC::ReturnCode_t onDeactivated(RTC::UniqueId ec_id) override;
  RTC::ReturnCode_t onExecute(RTC::UniqueId ec_id) override;

private:
  RTC::TimedString m_inPositionData{};
  RTC::InPort<RTC::TimedString> m_inPositionDataIn;
};

extern "C"
{
  // Registers the InKorvaneTest factory with the manager.
  DLL_EXPORT void InKorvaneTestInit(RTC::Manager* manager);
}

#endif
