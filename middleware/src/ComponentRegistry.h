// The component types a manager can create and the components it has: factories, instance
// names and max_instance, and the bookkeeping of components being exited. Thread-safe.
#ifndef RTM_SRC_COMPONENTREGISTRY_H
#define RTM_SRC_COMPONENTREGISTRY_H

#include <coil/Properties.h>
#include <rtm/Manager.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class ComponentRegistry
  {
  public:
    struct Factory
    {
      coil::Properties profile;
      RtcNewFunc newFunc = nullptr;
      RtcDeleteFunc deleteFunc = nullptr;
    };
    struct Instance
    {
      RTObject_impl* object;
      RtcDeleteFunc deleteFunc;
    };

    // The type is the profile's type_name, else its implementation_id. False (logged) when
    // it has neither or there is no creation function; a later one replaces an earlier one.
    bool registerFactory(const coil::Properties& profile, RtcNewFunc newFunc,
                         RtcDeleteFunc deleteFunc);

    // The factory of `typeName` and the name its new instance gets: `requestedName`, or else
    // <type_name><N> with the lowest free N. False with `error` when the type is unknown, its
    // max_instance is reached or the name is taken. Callers that must not race each other for
    // the same name hold one lock from here until add().
    bool prepare(const std::string& typeName, const std::string& requestedName, Factory& factory,
                 std::string& instanceName, std::string& error);
    void add(const Instance& instance);

    RTObject_impl* find(const std::string& instanceName);
    std::vector<RTObject_impl*> components();

    // Takes the component out of the list to be finalised by the caller, who then calls
    // exitFinished(); `wasLast` when no component is left. False when there is none by that name.
    bool beginExit(const std::string& instanceName, Instance& removed, bool& wasLast);
    void exitFinished();

    // Takes every component out of the list, in creation order, once no exit is still
    // finalising one: the caller finalises them before the middleware goes.
    std::vector<Instance> takeAll();

  private:
    // The caller holds m_mutex.
    bool nameUsed(const std::string& instanceName) const;
    std::string nextInstanceName(const std::string& typeName) const;

    std::mutex m_mutex;   // guards everything below
    std::map<std::string, Factory> m_factories;
    std::vector<Instance> m_instances;
    int m_exiting = 0;                    // exits still finalising
    std::condition_variable m_exitDone;   // notified when m_exiting goes down
  };
}

#endif
