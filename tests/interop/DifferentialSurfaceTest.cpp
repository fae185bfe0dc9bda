// The same client asks an OpenRTM-aist component and a built-in one of the same program every
// operation tools call, in the same order, and compares the kind of each answer and what the
// component looks like afterwards. Where they differ on purpose, README's back-end table says so.
#include "NamingLookup.h"
#include "ProgramFixture.h"
#include "SurfaceCalls.h"
#include "TestOrb.h"

namespace interop
{
  using namespace programs;

  namespace
  {
    // The differences README's back-end table lists, each with the versions it applies to and
    // the answers (or the "state" lines) it covers.
    struct Deliberate
    {
      const char* readmeRow;
      const char* versions;   // a prefix of OPENRTM_VERSION_TEXT
      std::vector<std::string> operations;
    };
    const Deliberate kDeliberate[] = {
      {"configuration sets of a component without parameters",
       "2.",
       {"activate_configuration_set default", "remove_configuration_set",
        "get_configuration_set removed", "state sets", "state active"}},
    };

    bool deliberate(const std::string& answer)
    {
      const std::string operation = answer.substr(0, answer.find(':'));
      for (const Deliberate& difference : kDeliberate)
        {
          if (std::string(OPENRTM_VERSION_TEXT).rfind(difference.versions, 0) != 0) { continue; }
          for (const std::string& covered : difference.operations)
            {
              if (operation == covered || operation.rfind(covered + " ", 0) == 0) { return true; }
            }
        }
      return false;
    }

    struct Answers
    {
      std::vector<std::string> calls;   // "operation: answer", in order
      std::vector<std::string> state;
    };

    // A call OpenRTM-aist does not survive stands there as the answer it is known for.
    void askEverythingOf(const std::string& namingAddress, const std::string& path, bool openRtm,
                         Answers& answers)
    {
      CORBA::Object_var found = testsupport::resolveName(namingAddress, path + ".rtc");
      RTC::RTObject_var component = RTC::RTObject::_narrow(found);
      RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
      if (contexts->length() == 0) { return; }
      for (const testsupport::SurfaceCall& call : testsupport::surfaceCalls(component, contexts[0]))
        {
          const bool ask = call.openRtmSurvives || !openRtm;
          answers.calls.push_back(call.operation + ": " +
                                  (ask ? testsupport::answerOf(call) : call.openRtmAnswer));
        }
      answers.state = testsupport::surfaceState(component, contexts[0]);
    }

    Answers askEverything(const std::string& namingAddress, const std::string& path, bool openRtm)
    {
      Answers answers;
      try
        {
          askEverythingOf(namingAddress, path, openRtm, answers);
        }
      catch (const CORBA::Exception& e)
        {
          ADD_FAILURE() << path << ": " << e._name() << " after "
                        << testing::PrintToString(answers.calls);
        }
      return answers;
    }
  }

  class DifferentialSurface : public ProgramFixture
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    std::unique_ptr<ChildProcess> startRegistered(const std::string& path,
                                                  const std::string& instance)
    {
      std::unique_ptr<ChildProcess> program =
        startProgram(path, {"naming.enable:YES", "corba.nameservers:" + m_naming.address(),
                            "naming.formats:%n.rtc"});
      EXPECT_TRUE(testsupport::waitForName(m_naming.address(), instance + ".rtc", kPatience))
        << program->stderrText();
      return program;
    }

    testsupport::NamingService m_naming;
  };

  // InKorvaneTest has no configuration parameters, InKorvane has some: OpenRTM-aist makes a
  // "default" set only for the second.
  TEST_F(DifferentialSurface, EveryOperationAnswersAsOnAnOpenRtmComponent)
  {
    const struct
    {
      const char* openRtm;
      const char* builtin;
      const char* instance;
    } programs[] = {
      {OPENRTM_INKORVANE_TEST_COMP_PATH, BUILTIN_INKORVANE_TEST_COMP_PATH, "InKorvaneTest0"},
      {OPENRTM_INKORVANE_COMP_PATH, BUILTIN_INKORVANE_COMP_PATH, "InKorvane0"},
    };
    for (const auto& program : programs)
      {
        SCOPED_TRACE(program.instance);
        auto openRtm = startRegistered(program.openRtm, program.instance);
        const Answers theirs = askEverything(m_naming.address(), program.instance, true);
        EXPECT_TRUE(interrupt(*openRtm));
        auto builtin = startRegistered(program.builtin, program.instance);
        const Answers ours = askEverything(m_naming.address(), program.instance, false);
        EXPECT_TRUE(interrupt(*builtin));
        ASSERT_EQ(theirs.calls.size(), ours.calls.size()) << testing::PrintToString(theirs.calls);
        std::vector<std::string> theirAnswers = theirs.calls;
        std::vector<std::string> ourAnswers = ours.calls;
        for (const std::string& line : theirs.state) { theirAnswers.push_back("state " + line); }
        for (const std::string& line : ours.state) { ourAnswers.push_back("state " + line); }
        ASSERT_EQ(theirAnswers.size(), ourAnswers.size());
        for (std::size_t i = 0; i < ourAnswers.size(); ++i)
          {
            EXPECT_TRUE(ourAnswers[i] == theirAnswers[i] || deliberate(ourAnswers[i]))
              << "ours " << ourAnswers[i] << ", OpenRTM-aist " << OPENRTM_VERSION_TEXT << "'s "
              << theirAnswers[i];
          }
      }
  }
}
