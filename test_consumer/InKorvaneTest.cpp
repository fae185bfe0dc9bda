#include "InKorvaneTest.h"

#include <iostream>

namespace
{
  // Component profile: key, value, ..., ended by an empty key.
  // clang-format off
  const char* componentSpec[] = {
    "implementation_id", "InKorvaneTest",
    "type_name", "InKorvaneTest",
    "description", "InKorvaneTest Component",
    "version", "1.0.0",
    "vendor", "VenderName",
    "category", "Category",
    "activity_type", "SPORADIC",
    "kind", "DataFlowComponent",
    "max_instance", "1",
    "language", "C++",
    "lang_type", "compile",
    "",
  };
  // clang-format on

  // The largest signed 32-bit count, so that only the empty key ends the table.
  const long kProfileEntryLimit = 2147483647L;

  RTC::RTObject_impl* createInKorvaneTest(RTC::Manager* manager)
  {
    return new InKorvaneTest(manager);
  }

  void deleteInKorvaneTest(RTC::RTObject_impl* rtc)
  {
    if (rtc != 0) { delete rtc; }
  }
}

InKorvaneTest::InKorvaneTest(RTC::Manager* manager)
  : RTC::DataFlowComponentBase(manager), m_inPositionDataIn("inPositionData", m_inPositionData)
{
}

InKorvaneTest::~InKorvaneTest() {}

RTC::ReturnCode_t InKorvaneTest::onInitialize()
{
  addInPort("inPositionData", m_inPositionDataIn);
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvaneTest::onFinalize()
{
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvaneTest::onActivated(RTC::UniqueId /*ec_id*/)
{
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvaneTest::onDeactivated(RTC::UniqueId /*ec_id*/)
{
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvaneTest::onExecute(RTC::UniqueId /*ec_id*/)
{
  if (!m_inPositionDataIn.isNew()) { return RTC::RTC_OK; }
  // A failed read leaves the previous value in place; printing it would report stale data as new.
  if (!m_inPositionDataIn.read()) { return RTC::RTC_OK; }
  std::cout << "receive data : " << std::endl << std::flush;
  std::cout << static_cast<const char*>(m_inPositionData.data) << std::endl << std::flush;
  return RTC::RTC_OK;
}

extern "C"
{
  void InKorvaneTestInit(RTC::Manager* manager)
  {
    coil::Properties profile(componentSpec, kProfileEntryLimit);
    manager->registerFactory(profile, createInKorvaneTest, deleteInKorvaneTest);
  }
}
