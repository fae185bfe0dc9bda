#include "InProcessManager.h"

#include "ArgumentVector.h"

namespace testsupport
{
  namespace
  {
    class InProcessManager : public ::testing::Environment
    {
    public:
      InProcessManager(const std::string& program, const std::vector<std::string>& options,
                       ModuleInit init)
        : m_init(init)
      {
        m_arguments.push_back(program);
        for (const std::string& option : options)
          {
            m_arguments.push_back("-o");
            m_arguments.push_back(option);
          }
      }

      void SetUp() override
      {
        RTC::ArgumentVector arguments(m_arguments);
        RTC::Manager* manager = RTC::Manager::init(arguments.argc(), arguments.argv());
        manager->setModuleInitProc(m_init);
        manager->activateManager();
        manager->runManager(true);
      }

      void TearDown() override { RTC::Manager::instance().shutdown(); }

    private:
      std::vector<std::string> m_arguments;
      ModuleInit m_init;
    };
  }

  ::testing::Environment* addInProcessManager(const std::string& program,
                                              const std::vector<std::string>& options,
                                              ModuleInit init)
  {
    return ::testing::AddGlobalTestEnvironment(new InProcessManager(program, options, init));
  }
}
