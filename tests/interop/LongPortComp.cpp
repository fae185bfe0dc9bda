// LongPortComp: an OpenRTM-aist component with one TimedLong in port named "in", so that a
// test has a port of another data type than the chain's TimedString ports.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/Manager.h>

#include "ComponentProgram.h"

namespace
{
  const char* g_profile[] = {"implementation_id",
                             "LongPort",
                             "type_name",
                             "LongPort",
                             "description",
                             "one TimedLong in port",
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
      : RTC::DataFlowComponentBase(manager), m_in("in", m_value)
    {
    }

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("in", m_in);
      return RTC::RTC_OK;
    }

  private:
    RTC::TimedLong m_value;
    RTC::InPort<RTC::TimedLong> m_in;
  };

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(g_profile);
    testsupport::registerComponentType<LongPort>(manager, profile);
    testsupport::createComponentOrAbort(manager, "LongPort");
  }
}

int main(int argc, char** argv)
{
  testsupport::runComponentProgram(argc, argv, moduleInit);
  return 0;
}
