// A test component for the cross-process tests, written only against the public component API.
// Instances come from TEXTPORT_COMPONENTS (createComponent arguments separated by ';',
// default "TextPort"). Each has out port "out" and in port "in" (RTC::TimedString) and out
// port "time" (RTC::Time, for type mismatches). On activation it loads the texts of its
// "Texts" file (one hex-encoded text per line) and writes one per execution, printing
// "<instance> sent <n> ok|unconnected"; every value read from "in" is printed as
// "<instance> got <length> [<hex>]", so line feeds and odd bytes stay visible.
// "DeactivateDelayMs" makes onDeactivated slow. With "Stamps" 1 the n-th text sent is stamped
// sec=n, nsec=1000*n (else the time stamp stays unset).
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>
#include <rtm/Manager.h>

#include "ComponentProgram.h"
#include "HexText.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace
{
  // clang-format off
  const char* textPortSpec[] = {
    "implementation_id", "TextPort",
    "type_name", "TextPort",
    "description", "Writes and reads texts for the cross-process tests",
    "version", "1.0.0",
    "vendor", "Tests",
    "category", "Test",
    "activity_type", "PERIODIC",
    "kind", "DataFlowComponent",
    "max_instance", "4",
    "language", "C++",
    "lang_type", "compile",
    "conf.default.Texts", "",
    "conf.default.DeactivateDelayMs", "0",
    "conf.default.Stamps", "0",
    "",
  };
  // clang-format on

  using hextext::fromHex;
  using hextext::toHex;

  class TextPort : public RTC::DataFlowComponentBase
  {
  public:
    explicit TextPort(RTC::Manager* manager)
      : RTC::DataFlowComponentBase(manager), m_outOut("out", m_out), m_inIn("in", m_in),
        m_timeOut("time", m_time)
    {
    }

    RTC::ReturnCode_t onInitialize() override
    {
      addOutPort("out", m_outOut);
      addInPort("in", m_inIn);
      addOutPort("time", m_timeOut);
      bindParameter("Texts", m_textsFile, "");
      bindParameter("DeactivateDelayMs", m_deactivateDelayMs, "0");
      bindParameter("Stamps", m_stamps, "0");
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onActivated(RTC::UniqueId) override
    {
      m_texts.clear();
      m_sent = 0;
      if (!m_textsFile.empty())
        {
          std::ifstream in(m_textsFile);
          std::string line;
          while (std::getline(in, line)) { m_texts.push_back(fromHex(line)); }
        }
      say("activated " + std::to_string(m_texts.size()));
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      if (!m_texts.empty())
        {
          m_out.data = CORBA::string_dup(m_texts.front().c_str());
          m_texts.pop_front();
          if (m_stamps != 0)
            {
              m_out.tm.sec = m_sent + 1;
              m_out.tm.nsec = 1000 * (m_sent + 1);
            }
          bool delivered = m_outOut.write();
          say("sent " + std::to_string(++m_sent) + (delivered ? " ok" : " unconnected"));
        }
      while (m_inIn.isNew())
        {
          if (!m_inIn.read()) { break; }
          const std::string text(m_in.data);
          say("got " + std::to_string(text.size()) + " [" + toHex(text) + "]");
        }
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onDeactivated(RTC::UniqueId) override
    {
      if (m_deactivateDelayMs > 0)
        {
          std::this_thread::sleep_for(std::chrono::milliseconds(m_deactivateDelayMs));
        }
      say("deactivated");
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onFinalize() override
    {
      say("finalized");
      return RTC::RTC_OK;
    }

  private:
    void say(const std::string& what)
    {
      std::printf("%s %s\n", getInstanceName(), what.c_str());
      std::fflush(stdout);
    }

    std::string m_textsFile;
    int m_deactivateDelayMs = 0;
    int m_stamps = 0;
    std::deque<std::string> m_texts;
    unsigned m_sent = 0;
    RTC::TimedString m_out;
    RTC::OutPort<RTC::TimedString> m_outOut;
    RTC::TimedString m_in;
    RTC::InPort<RTC::TimedString> m_inIn;
    RTC::Time m_time;
    RTC::OutPort<RTC::Time> m_timeOut;
  };

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(textPortSpec);
    testsupport::registerComponentType<TextPort>(manager, profile);
    const char* list = std::getenv("TEXTPORT_COMPONENTS");
    std::stringstream components(list != nullptr && list[0] != '\0' ? list : "TextPort");
    std::string arguments;
    while (std::getline(components, arguments, ';'))
      {
        testsupport::createComponentOrAbort(manager, arguments.c_str());
      }
  }
}

int main(int argc, char** argv)
{
  testsupport::runComponentProgram(argc, argv, moduleInit);
  return 0;
}
