#include "NamingClient.h"

#include "NamingPath.h"

namespace RTC
{
  NamingClient::NamingClient(CORBA::ORB_ptr orb, const std::string& server)
    : m_orb(CORBA::ORB::_duplicate(orb)), m_server(server)
  {
  }

  CosNaming::NamingContext_ptr NamingClient::root()
  {
    if (CORBA::is_nil(m_root))
      {
        CORBA::Object_var object = m_orb->string_to_object(nameServiceLocation(m_server).c_str());
        // _narrow asks the object whether it is a naming context: this is the first contact.
        m_root = CosNaming::NamingContext::_narrow(object);
        if (CORBA::is_nil(m_root)) { throw CORBA::TRANSIENT(0, CORBA::COMPLETED_NO); }
      }
    return m_root.in();
  }

  void NamingClient::forget()
  {
    m_root = CosNaming::NamingContext::_nil();
  }

  void NamingClient::bind(const CosNaming::Name& name, CORBA::Object_ptr object)
  {
    if (name.length() == 0) { throw CosNaming::NamingContext::InvalidName(); }
    CosNaming::NamingContext_var context = CosNaming::NamingContext::_duplicate(root());
    CosNaming::Name step;
    step.length(1);
    for (CORBA::ULong i = 0; i + 1 < name.length(); ++i)
      {
        step[0] = name[i];
        try
          {
            context = context->bind_new_context(step);
          }
        catch (const CosNaming::NamingContext::AlreadyBound&)
          {
            CORBA::Object_var existing = context->resolve(step);
            context = CosNaming::NamingContext::_narrow(existing);
            if (CORBA::is_nil(context))
              {
                throw CosNaming::NamingContext::NotFound(CosNaming::NamingContext::not_context,
                                                         step);
              }
          }
      }
    step[0] = name[name.length() - 1];
    try
      {
        context->bind(step, object);
      }
    catch (const CosNaming::NamingContext::AlreadyBound&)
      {
        context->rebind(step, object);
      }
  }

  bool NamingClient::unbindIfBoundTo(const CosNaming::Name& name, CORBA::Object_ptr object)
  {
    try
      {
        CORBA::Object_var bound = root()->resolve(name);
        if (!bound->_is_equivalent(object)) { return false; }
        root()->unbind(name);
        return true;
      }
    catch (const CosNaming::NamingContext::NotFound&)
      {
        return false;
      }
  }

  CORBA::Object_ptr NamingClient::resolve(const CosNaming::Name& name)
  {
    return root()->resolve(name);
  }
}
