#include "NamingLookup.h"

#include "TestOrb.h"
#include "Wait.h"

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

namespace testsupport
{
  namespace
  {
    CosNaming::Name toName(const std::string& path)
    {
      CosNaming::Name name;
      std::size_t start = 0;
      while (start <= path.size())
        {
          std::size_t end = path.find('/', start);
          if (end == std::string::npos) { end = path.size(); }
          const std::string part = path.substr(start, end - start);
          const std::size_t dot = part.rfind('.');
          name.length(name.length() + 1);
          name[name.length() - 1].id = CORBA::string_dup(part.substr(0, dot).c_str());
          name[name.length() - 1].kind =
            CORBA::string_dup(dot == std::string::npos ? "" : part.substr(dot + 1).c_str());
          start = end + 1;
        }
      return name;
    }

    CosNaming::NamingContext_ptr rootContext(const std::string& address)
    {
      CORBA::Object_var object =
        testOrb()->string_to_object(("corbaloc::" + address + "/NameService").c_str());
      return CosNaming::NamingContext::_narrow(object);
    }

    bool bound(const std::string& address, const CosNaming::Name& name)
    {
      try
        {
          CosNaming::NamingContext_var root = rootContext(address);
          if (CORBA::is_nil(root)) { return false; }
          CORBA::Object_var found = root->resolve(name);
          return !CORBA::is_nil(found);
        }
      catch (const CORBA::Exception&)
        {
          return false;
        }
    }
  }

  bool waitForName(const std::string& address, const std::string& path,
                   std::chrono::milliseconds timeout)
  {
    const CosNaming::Name name = toName(path);
    return waitUntil([&] { return bound(address, name); }, timeout, std::chrono::milliseconds(100));
  }

  CORBA::Object_ptr resolveName(const std::string& address, const std::string& path)
  {
    CosNaming::NamingContext_var root = rootContext(address);
    if (CORBA::is_nil(root)) { throw CORBA::OBJECT_NOT_EXIST(); }
    return root->resolve(toName(path));
  }

  bool bindRootContextAs(const std::string& address, const std::string& path)
  {
    try
      {
        CosNaming::NamingContext_var root = rootContext(address);
        if (CORBA::is_nil(root)) { return false; }
        root->rebind(toName(path), root.in());
        return true;
      }
    catch (const CORBA::Exception&)
      {
        return false;
      }
  }
}
