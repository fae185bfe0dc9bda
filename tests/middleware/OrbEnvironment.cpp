// Linked into test programs that encode port values without a Manager: CDR encoding of strings
// needs the ORB's code sets, so the ORB is initialised once before the first test.
#include <omniORB4/CORBA.h>

#include <gtest/gtest.h>

namespace
{
  class OrbEnvironment : public ::testing::Environment
  {
  public:
    void SetUp() override
    {
      int argc = 1;
      char name[] = "test";
      char* argv[] = {name, nullptr};
      m_orb = CORBA::ORB_init(argc, argv);
    }

    void TearDown() override { m_orb->destroy(); }

  private:
    CORBA::ORB_var m_orb;
  };

  ::testing::Environment* const g_orbEnvironment =
    ::testing::AddGlobalTestEnvironment(new OrbEnvironment);
}
