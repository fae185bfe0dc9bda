// OpenRTM-aist components accept our objects only when repository ids, struct layouts and enum
// orders are exactly theirs: check the generated code against the values real components use.
#include <DataPortCdr.hh>
#include <OpenRtmInterfaces.hh>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
  std::vector<std::string> memberNames(CORBA::TypeCode_ptr type)
  {
    std::vector<std::string> names;
    for (CORBA::ULong i = 0; i < type->member_count(); ++i)
      {
        names.push_back(type->member_name(i));
      }
    return names;
  }

  TEST(InterfaceIdentityTest, InterfacesCarryTheirOwnPrefixes)
  {
    EXPECT_STREQ("IDL:openrtm.aist.go.jp/OpenRTM/DataFlowComponent:1.0",
                 OpenRTM::DataFlowComponent::_PD_repoId);
    EXPECT_STREQ("IDL:OpenRTM/InPortCdr:1.0", OpenRTM::InPortCdr::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/RTObject:1.0", RTC::RTObject::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/DataFlowComponent:1.0", RTC::DataFlowComponent::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/LightweightRTObject:1.0", RTC::LightweightRTObject::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/ComponentAction:1.0", RTC::ComponentAction::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/DataFlowComponentAction:1.0",
                 RTC::DataFlowComponentAction::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/PortService:1.0", RTC::PortService::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/ExecutionContext:1.0", RTC::ExecutionContext::_PD_repoId);
    EXPECT_STREQ("IDL:omg.org/RTC/ExecutionContextService:1.0",
                 RTC::ExecutionContextService::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/SDO:1.0", SDOPackage::SDO::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/SDOSystemElement:1.0",
                 SDOPackage::SDOSystemElement::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/SDOService:1.0", SDOPackage::SDOService::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/Configuration:1.0", SDOPackage::Configuration::_PD_repoId);
  }

  TEST(InterfaceIdentityTest, ExceptionsAndDataTypesCarryTheirOwnPrefixes)
  {
    EXPECT_STREQ("IDL:org.omg/SDOPackage/InvalidParameter:1.0",
                 SDOPackage::InvalidParameter::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/NotAvailable:1.0", SDOPackage::NotAvailable::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/InternalError:1.0", SDOPackage::InternalError::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/InterfaceNotImplemented:1.0",
                 SDOPackage::InterfaceNotImplemented::_PD_repoId);
    EXPECT_STREQ("IDL:org.omg/SDOPackage/NameValue:1.0", SDOPackage::_tc_NameValue->id());
    EXPECT_STREQ("IDL:omg.org/RTC/ConnectorProfile:1.0", RTC::_tc_ConnectorProfile->id());
    EXPECT_STREQ("IDL:omg.org/RTC/ReturnCode_t:1.0", RTC::_tc_ReturnCode_t->id());
    EXPECT_STREQ("IDL:OpenRTM/PortStatus:1.0", OpenRTM::_tc_PortStatus->id());
    // The exceptions carry one field each.
    EXPECT_EQ((std::vector<std::string>{"description"}),
              memberNames(SDOPackage::_tc_InvalidParameter));
  }

  TEST(InterfaceIdentityTest, StructsAreMarshalledInTheirFieldOrder)
  {
    using Names = std::vector<std::string>;
    EXPECT_EQ((Names{"name", "value"}), memberNames(SDOPackage::_tc_NameValue));
    EXPECT_EQ((Names{"id", "description", "configuration_data"}),
              memberNames(SDOPackage::_tc_ConfigurationSet));
    EXPECT_EQ((Names{"name", "connector_id", "ports", "properties"}),
              memberNames(RTC::_tc_ConnectorProfile));
    EXPECT_EQ((Names{"instance_name", "type_name", "polarity"}),
              memberNames(RTC::_tc_PortInterfaceProfile));
    EXPECT_EQ(
      (Names{"name", "interfaces", "port_ref", "connector_profiles", "owner", "properties"}),
      memberNames(RTC::_tc_PortProfile));
    EXPECT_EQ((Names{"kind", "rate", "owner", "participants", "properties"}),
              memberNames(RTC::_tc_ExecutionContextProfile));
    EXPECT_EQ((Names{"instance_name", "type_name", "description", "version", "vendor", "category",
                     "port_profiles", "parent", "properties"}),
              memberNames(RTC::_tc_ComponentProfile));
  }

  TEST(InterfaceIdentityTest, EnumsKeepTheirOrder)
  {
    using Names = std::vector<std::string>;
    EXPECT_EQ((Names{"RTC_OK", "RTC_ERROR", "BAD_PARAMETER", "UNSUPPORTED", "OUT_OF_RESOURCES",
                     "PRECONDITION_NOT_MET"}),
              memberNames(RTC::_tc_ReturnCode_t));
    EXPECT_EQ((Names{"CREATED_STATE", "INACTIVE_STATE", "ACTIVE_STATE", "ERROR_STATE"}),
              memberNames(RTC::_tc_LifeCycleState));
    EXPECT_EQ((Names{"PERIODIC", "EVENT_DRIVEN", "OTHER"}), memberNames(RTC::_tc_ExecutionKind));
    EXPECT_EQ((Names{"PROVIDED", "REQUIRED"}), memberNames(RTC::_tc_PortInterfacePolarity));
    EXPECT_EQ((Names{"PORT_OK", "PORT_ERROR", "BUFFER_FULL", "BUFFER_EMPTY", "BUFFER_TIMEOUT",
                     "UNKNOWN_ERROR"}),
              memberNames(OpenRTM::_tc_PortStatus));
  }
}
