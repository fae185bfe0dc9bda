// LongPortComp: an OpenRTM-aist component with a TimedLong in port named "in", so that a test
// has a port of another data type than the chain's TimedString ports, and a TimedLong out port
// named "out" that, while active, writes 1, 2, 3, ... once per execution, each stamped
// sec=n, nsec=0.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>
#include <rtm/Manager.h>

#include "ComponentProgram.h"

namespace
{
  const char* longPortSpec[] = {"implementation_id",
                                "LongPort",
                                "type_name",
                                "LongPort",
                                "description",
                                "TimedLong in and out ports",
                                "version",
                                "1.0.0",
                                "vendor",
                                "InKorvane tests",
                                "category",
                                "Test",
                                "activity_type",
                                "PERIODIC",
                                "kind",
                                "DataFlowComponent",
                                "max_instance",
                                "1",
                                "language",
                                "C++",
                                "lang_type",
                                "compile",
                                ""};

  class LongPort : public RTC::DataFlowComponentBase
  {
  public:
    explicit LongPort(RTC::Manager* manager)
      : RTC::DataFlowComponentBase(manager), m_in("in", m_value), m_out("out", m_count)
    {
    }

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("in", m_in);
      addOutPort("out", m_out);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      ++m_written;
      m_count.tm.sec = m_written;
      m_count.tm.nsec = 0;
      m_count.data = static_cast<CORBA::Long>(m_written);
      m_out.write();
      return RTC::RTC_OK;
    }

  private:
    RTC::TimedLong m_value;
    RTC::InPort<RTC::TimedLong> m_in;
    RTC::TimedLong m_count;
    RTC::OutPort<RTC::TimedLong> m_out;
    unsigned long m_written = 0;
  };

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(longPortSpec);
    testsupport::registerComponentType<LongPort>(manager, profile);
    testsupport::createComponentOrAbort(manager, "LongPort");
  }
}

int main(int argc, char** argv)
{
  testsupport::runComponentProgram(argc, argv, moduleInit);
  return 0;
}
