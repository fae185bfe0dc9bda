#include "InKorvane.h"

#include "ReceiveHandoff.h"

#include <iostream>

namespace
{
  // Component profile: key, value, ..., ended by an empty key.
  // clang-format off
  const char* componentSpec[] = {
    "implementation_id", "InKorvane",
    "type_name", "InKorvane",
    "description", "Korvane Input Component",
    "version", "1.0.0",
    "vendor", "VenderName",
    "category", "Category",
    "activity_type", "SPORADIC",
    "kind", "DataFlowComponent",
    "max_instance", "1",
    "language", "C++",
    "lang_type", "compile",
    "conf.default.IPAddress", "127.0.0.1",
    "conf.default.Port", "7003",
    "conf.__widget__.IPAddress", "text",
    "conf.__widget__.Port", "text",
    "",
  };
  // clang-format on

  // The largest signed 32-bit count, so that only the empty key ends the table.
  const long kProfileEntryLimit = 2147483647L;

  RTC::RTObject_impl* createInKorvane(RTC::Manager* manager)
  {
    return new InKorvane(manager);
  }

  void deleteInKorvane(RTC::RTObject_impl* rtc)
  {
    if (rtc != 0) { delete rtc; }
  }
}

InKorvane::InKorvane(RTC::Manager* manager)
  : RTC::DataFlowComponentBase(manager), m_Port(0),
    m_outPositionDataOut("outPositionData", m_outPositionData), m_connected(false)
{
}

InKorvane::~InKorvane()
{
  // A shutdown without deactivation leaves the last worker running out its reply wait.
  joinWorker();
}

RTC::ReturnCode_t InKorvane::onInitialize()
{
  addOutPort("outPositionData", m_outPositionDataOut);
  bindParameter("IPAddress", m_IPAddress, "127.0.0.1");
  bindParameter("Port", m_Port, "7003");
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvane::onFinalize()
{
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvane::onActivated(RTC::UniqueId /*ec_id*/)
{
  m_connected =
    positionServerClient.connectServer(m_IPAddress, static_cast<unsigned short>(m_Port));
  dataReady.store(0, std::memory_order_release);
  // The worker waits before the request goes out, so no reply can arrive unobserved.
  startWorker();
  positionServerClient.sendText("\n");
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvane::onExecute(RTC::UniqueId /*ec_id*/)
{
  if (!m_connected || dataReady.load(std::memory_order_acquire) != 1) { return RTC::RTC_OK; }
  if (!receivedText.empty())
    {
      std::cout << "LOG OUTPUT START" << std::endl;
      m_outPositionData.data = CORBA::string_dup(receivedText.c_str());
      std::cout << static_cast<const char*>(m_outPositionData.data) << std::flush;
      m_outPositionDataOut.write();
      std::cout << "LOG OUTPUT END" << std::endl << std::endl;
    }
  dataReady.store(0, std::memory_order_release);
  startWorker();
  std::cout << "request: <LF>" << std::endl;
  positionServerClient.sendText("\n");
  return RTC::RTC_OK;
}

RTC::ReturnCode_t InKorvane::onDeactivated(RTC::UniqueId /*ec_id*/)
{
  // The outstanding reply wait ends within about 5 seconds; only then is the connection closed.
  joinWorker();
  positionServerClient.sendText("Q");
  positionServerClient.disconnect();
  return RTC::RTC_OK;
}

void InKorvane::startWorker()
{
  joinWorker();
  m_worker = std::thread(receiveWorker);
}

void InKorvane::joinWorker()
{
  if (m_worker.joinable()) { m_worker.join(); }
}

extern "C"
{
  void InKorvaneInit(RTC::Manager* manager)
  {
    coil::Properties profile(componentSpec, kProfileEntryLimit);
    manager->registerFactory(profile, createInKorvane, deleteInKorvane);
  }
}
