// The SDO face of ComponentServant. A component of ours offers no SDO services and belongs to
// no organization of its own; tools are answered with what they stored (SdoRecords) or with
// empty lists, as OpenRTM-aist's components answer.
#include "ComponentServant.h"

#include <rtm/RTObject.h>

#include "ComponentCore.h"

namespace RTC
{
  SDOPackage::OrganizationList* ComponentServant::get_owned_organizations()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::OrganizationList;
  }

  char* ComponentServant::get_sdo_id()
  {
    ServantLifetime::Use use(*m_lifetime);
    return CORBA::string_dup(m_instanceName.c_str());
  }

  char* ComponentServant::get_sdo_type()
  {
    ServantLifetime::Use use(*m_lifetime);
    return CORBA::string_dup(coreOf(m_component).properties().getProperty("description").c_str());
  }

  SDOPackage::DeviceProfile* ComponentServant::get_device_profile()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::DeviceProfile(m_records->device());
  }

  SDOPackage::ServiceProfileList* ComponentServant::get_service_profiles()
  {
    // Observers are services the component uses, not ones it offers: not listed.
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::ServiceProfileList;
  }

  SDOPackage::ServiceProfile* ComponentServant::get_service_profile(const char*)
  {
    ServantLifetime::Use use(*m_lifetime);
    throw SDOPackage::InvalidParameter("");
  }

  SDOPackage::SDOService_ptr ComponentServant::get_sdo_service(const char*)
  {
    ServantLifetime::Use use(*m_lifetime);
    throw SDOPackage::InvalidParameter("");
  }

  SDOPackage::Configuration_ptr ComponentServant::get_configuration()
  {
    ServantLifetime::Use use(*m_lifetime);
    return SDOPackage::Configuration::_duplicate(m_configurationRef.in());
  }

  SDOPackage::Monitoring_ptr ComponentServant::get_monitoring()
  {
    ServantLifetime::Use use(*m_lifetime);
    throw SDOPackage::InterfaceNotImplemented("");
  }

  SDOPackage::OrganizationList* ComponentServant::get_organizations()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::OrganizationList(m_records->organizations());
  }

  SDOPackage::NVList* ComponentServant::get_status_list()
  {
    ServantLifetime::Use use(*m_lifetime);
    return new SDOPackage::NVList;
  }

  CORBA::Any* ComponentServant::get_status(const char*)
  {
    ServantLifetime::Use use(*m_lifetime);
    throw SDOPackage::InvalidParameter("get_status(): Not found");
  }
}
