// Topics live in a module of their own (FastDdsTopics.cpp, built where Fast DDS was found),
// loaded on the first join: Fast DDS and what it links add about 9 MiB to every process that
// maps them, and most processes never join a topic.
#include "TopicTransport.h"

#include <dlfcn.h>

#include <mutex>

namespace RTC
{
  namespace
  {
    const char* const kNoFastDds =
      "interface_type fast-rtps needs Fast DDS, which this build of the middleware does not have "
      "(install libfastrtps-dev and build again)";

    struct TopicModule
    {
      JoinTopicAsWriter* joinAsWriter = nullptr;
      JoinTopicAsReader* joinAsReader = nullptr;
      std::string problem;
    };

    // Loaded once and kept for the life of the process: its participants and threads outlive
    // any one connection.
    const TopicModule& topicModule()
    {
      static const TopicModule module = [] {
        TopicModule loaded;
#ifdef RTM_FASTDDS_MODULE
        // Where the build put it, else wherever the dynamic linker finds it (an installation).
        void* handle = ::dlopen(RTM_FASTDDS_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
          {
            handle = ::dlopen(RTM_FASTDDS_MODULE_NAME, RTLD_NOW | RTLD_LOCAL);
          }
        if (handle == nullptr)
          {
            const char* reason = ::dlerror();
            loaded.problem = std::string("interface_type fast-rtps: cannot load ") +
                             RTM_FASTDDS_MODULE_NAME + " (" + (reason ? reason : "unknown") + ")";
            return loaded;
          }
        loaded.joinAsWriter =
          reinterpret_cast<JoinTopicAsWriter*>(::dlsym(handle, "rtmJoinTopicAsWriter"));
        loaded.joinAsReader =
          reinterpret_cast<JoinTopicAsReader*>(::dlsym(handle, "rtmJoinTopicAsReader"));
        if (loaded.joinAsWriter == nullptr || loaded.joinAsReader == nullptr)
          {
            loaded.problem = std::string("interface_type fast-rtps: ") + RTM_FASTDDS_MODULE_NAME +
                             " is not this middleware's topic module";
          }
#else
        loaded.problem = kNoFastDds;
#endif
        return loaded;
      }();
      return module;
    }
  }

  const char* portInterfaceTypes()
  {
#ifdef RTM_FASTDDS_MODULE
    return "corba_cdr,fast-rtps";
#else
    return "corba_cdr";
#endif
  }

  std::shared_ptr<OutPortConnector> joinTopicAsWriter(const ConnectionSettings& settings,
                                                      const TopicTerms& terms,
                                                      const std::string& dataType,
                                                      std::string& problem)
  {
    const TopicModule& module = topicModule();
    if (module.joinAsWriter == nullptr)
      {
        problem = module.problem;
        return nullptr;
      }
    std::shared_ptr<OutPortConnector> writer;
    module.joinAsWriter(settings, terms, dataType, writer, problem);
    return writer;
  }

  std::unique_ptr<TopicReaderEnd> joinTopicAsReader(const ConnectionSettings& settings,
                                                    const TopicTerms& terms, InPortBase& port,
                                                    const std::shared_ptr<ConnectionBuffer>& buffer,
                                                    std::string& problem)
  {
    const TopicModule& module = topicModule();
    if (module.joinAsReader == nullptr)
      {
        problem = module.problem;
        return nullptr;
      }
    std::unique_ptr<TopicReaderEnd> reader;
    module.joinAsReader(settings, terms, port, buffer, reader, problem);
    return reader;
  }
}
