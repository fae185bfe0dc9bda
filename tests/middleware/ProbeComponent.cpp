// A small component written only against the public component API, used by the manager tests.
// It reports every callback on standard output as "<instance> <callback> [details]", so a test
// can check the order and the thread they ran on.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>
#include <rtm/Manager.h>

#include "ComponentProgram.h"

#include <cstdio>
#include <string>
#include <thread>
#include <cstdlib>
#include <functional>

namespace
{
  // clang-format off
  const char* probeSpec[] = {
    "implementation_id", "Probe",
    "type_name", "Probe",
    "description", "Probe component for the manager tests",
    "version", "1.0.0",
    "vendor", "Tests",
    "category", "Test",
    "activity_type", "PERIODIC",
    "kind", "DataFlowComponent",
    "max_instance", "2",
    "language", "C++",
    "lang_type", "compile",
    "conf.default.Count", "5",
    "conf.default.Label", "plain",
    "conf.fast.Count", "50",
    "",
  };
  // clang-format on

  unsigned long threadTag()
  {
    return static_cast<unsigned long>(std::hash<std::thread::id>()(std::this_thread::get_id()) %
                                      100000);
  }

  class Probe : public RTC::DataFlowComponentBase
  {
  public:
    explicit Probe(RTC::Manager* manager)
      : RTC::DataFlowComponentBase(manager), m_outOut("out", m_out), m_inIn("in", m_in)
    {
    }

    ~Probe() override { say("destroyed"); }

    RTC::ReturnCode_t onInitialize() override
    {
      addOutPort("out", m_outOut);
      addInPort("in", m_inIn);
      bindParameter("Count", m_count, "5");
      bindParameter("Label", m_label, "plain");
      say("onInitialize", "Count=" + std::to_string(m_count) + " Label=" + m_label);
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onFinalize() override
    {
      say("onFinalize");
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onStartup(RTC::UniqueId) override
    {
      say("onStartup", tag());
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onShutdown(RTC::UniqueId) override
    {
      say("onShutdown", tag());
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onActivated(RTC::UniqueId) override
    {
      m_executions = 0;
      say("onActivated", tag() + " Count=" + std::to_string(m_count) + " Label=" + m_label);
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override
    {
      say("onDeactivated", tag() + " executions=" + std::to_string(m_executions));
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      ++m_executions;
      if (m_executions <= static_cast<unsigned long>(m_count))
        {
          // Writers publish their execution number; readers print what they take.
          m_out.data = CORBA::string_dup(("value " + std::to_string(m_executions)).c_str());
          m_outOut.write();
        }
      while (m_inIn.isNew())
        {
          if (m_inIn.read()) { say("received", std::string(m_in.data)); }
        }
      if (m_executions == 1) { say("onExecute", tag()); }
      return RTC::RTC_OK;
    }

  private:
    std::string tag() const { return "thread=" + std::to_string(threadTag()); }
    void say(const std::string& what, const std::string& details = std::string())
    {
      std::printf("%s %s%s%s\n", getInstanceName(), what.c_str(), details.empty() ? "" : " ",
                  details.c_str());
      std::fflush(stdout);
    }

    int m_count = 0;
    std::string m_label;
    unsigned long m_executions = 0;
    RTC::TimedString m_out;
    RTC::OutPort<RTC::TimedString> m_outOut;
    RTC::TimedString m_in;
    RTC::InPort<RTC::TimedString> m_inIn;
  };

  RTC::RTObject_impl* createProbe(RTC::Manager* manager)
  {
    return new Probe(manager);
  }
  void deleteProbe(RTC::RTObject_impl* rtc)
  {
    std::printf("deleteProbe\n");
    std::fflush(stdout);
    delete rtc;
  }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(probeSpec);
    manager->registerFactory(profile, createProbe, deleteProbe);
    // PROBE_COUNT instances (default 1) so one process can hold a writer and a reader.
    const char* countText = std::getenv("PROBE_COUNT");
    int count = countText != nullptr ? std::atoi(countText) : 1;
    for (int i = 0; i < count; ++i) { testsupport::createComponentOrAbort(manager, "Probe"); }
  }
}

int main(int argc, char** argv)
{
  testsupport::runComponentProgram(argc, argv, moduleInit);
  std::printf("runManager returned\n");
  return 0;
}
