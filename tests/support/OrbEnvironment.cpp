// Linked into test programs that encode values without a Manager: CDR encoding of strings and
// anys needs the ORB's code sets, so the ORB is initialised once before the first test.
#include "OrbArguments.h"

#include <omniORB4/CORBA.h>

#include <gtest/gtest.h>

namespace
{
  class OrbEnvironment : public ::testing::Environment
  {
  public:
    void SetUp() override
    {
      RTC::OrbOptions options;
      options.program = "test";
      RTC::ArgumentVector arguments = RTC::orbArguments(options);
      m_orb = CORBA::ORB_init(arguments.argc(), arguments.argv());
    }

    void TearDown() override { m_orb->destroy(); }

  private:
    CORBA::ORB_var m_orb;
  };

  ::testing::Environment* const g_orbEnvironment =
    ::testing::AddGlobalTestEnvironment(new OrbEnvironment);
}
