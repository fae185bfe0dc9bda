// What tools may store in a component through SDOPackage::Configuration and read back through
// SDO: the device profile and the organizations. We keep them only for the tools; the
// component itself makes no use of them, as in OpenRTM-aist.
#ifndef RTM_REMOTE_SDORECORDS_H
#define RTM_REMOTE_SDORECORDS_H

#include <rtm/idl/SdoInterfaces.hh>

#include <mutex>

namespace RTC
{
  class SdoRecords
  {
  public:
    SdoRecords()
    {
      m_device.device_type = CORBA::string_dup("");
      m_device.manufacturer = CORBA::string_dup("");
      m_device.model = CORBA::string_dup("");
      m_device.version = CORBA::string_dup("");
    }

    SDOPackage::DeviceProfile device()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_device;
    }
    void setDevice(const SDOPackage::DeviceProfile& device)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_device = device;
    }

    SDOPackage::OrganizationList organizations()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_organizations;
    }
    void addOrganization(SDOPackage::Organization_ptr organization)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      const CORBA::ULong at = m_organizations.length();
      m_organizations.length(at + 1);
      m_organizations[at] = SDOPackage::Organization::_duplicate(organization);
    }

  private:
    std::mutex m_mutex;
    SDOPackage::DeviceProfile m_device;
    SDOPackage::OrganizationList m_organizations;
  };
}

#endif
