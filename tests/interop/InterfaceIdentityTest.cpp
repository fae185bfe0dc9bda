// An OpenRTM-aist client takes a built-in component for one of its own only if the component
// says of itself what an OpenRTM-aist component says: the type ids in the references it hands
// out, the ids `_is_a` accepts, and the structs, enums and exceptions its calls carry. InKorvaneComp
// built on either middleware is asked the same questions through OpenRTM-aist's own stubs.
#include "ProgramFixture.h"
#include "NamingLookup.h"
#include "TestOrb.h"

#include <rtm/idl/OpenRTMSkel.h>

#include <algorithm>
#include <cstdint>

namespace interop
{
  using namespace programs;

  using testsupport::testOrb;

  // The type id an IOR carries: "IOR:" and the hex of an encapsulation that starts with the byte
  // order, then (at offset 4) the id's length and its characters.
  std::string typeIdOf(CORBA::Object_ptr object)
  {
    CORBA::String_var ior = testOrb()->object_to_string(object);
    const std::string hex(ior.in() + 4);
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      }
    if (bytes.size() < 8) { return "no type id in " + std::string(ior.in()); }
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
      {
        const int at = bytes[0] != 0 ? 7 - i : 4 + i;   // little or big endian
        length = (length << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(at)]);
      }
    return bytes.substr(8, length > 0 ? length - 1 : 0);
  }

  // Asks the object itself: a reference the stubs know the type of would be answered locally.
  bool remoteIsA(CORBA::Object_ptr object, const char* id)
  {
    CORBA::Request_var request = object->_request("_is_a");
    request->add_in_arg() <<= id;
    request->set_return_type(CORBA::_tc_boolean);
    request->invoke();
    CORBA::Boolean answer = false;
    request->return_value() >>= CORBA::Any::to_boolean(answer);
    return answer;
  }

  const char* const kInterfaceIds[] = {
    OpenRTM::DataFlowComponent::_PD_repoId,
    RTC::RTObject::_PD_repoId,
    RTC::DataFlowComponent::_PD_repoId,
    RTC::LightweightRTObject::_PD_repoId,
    RTC::ComponentAction::_PD_repoId,
    RTC::DataFlowComponentAction::_PD_repoId,
    RTC::PortService::_PD_repoId,
    RTC::ExecutionContext::_PD_repoId,
    RTC::ExecutionContextService::_PD_repoId,
    SDOPackage::SDO::_PD_repoId,
    SDOPackage::SDOSystemElement::_PD_repoId,
    SDOPackage::SDOService::_PD_repoId,
    SDOPackage::Configuration::_PD_repoId,
  };

  // What the component registered as `path` says of itself, one line per answer.
  std::vector<std::string> identityOf(const std::string& namingAddress, const std::string& path)
  {
    std::vector<std::string> lines;
    CORBA::Object_var found = testsupport::resolveName(namingAddress, path + ".rtc");
    RTC::RTObject_var component = RTC::RTObject::_narrow(found);
    RTC::PortServiceList_var ports = component->get_ports();
    RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
    if (ports->length() != 1 || contexts->length() != 1) { return {"ports or contexts missing"}; }
    SDOPackage::Configuration_var configuration = component->get_configuration();
    const std::pair<const char*, CORBA::Object_ptr> objects[] = {
      {"component", component.in()},
      {"port", ports[0].in()},
      {"context", contexts[0].in()},
      {"configuration", configuration.in()}};
    for (const auto& object : objects)
      {
        lines.push_back(std::string(object.first) + " type " + typeIdOf(object.second));
        for (const char* id : kInterfaceIds)
          {
            if (remoteIsA(object.second, id))
              {
                lines.push_back(object.first + (" is " + std::string(id)));
              }
          }
      }

    RTC::ComponentProfile_var profile = component->get_component_profile();
    lines.push_back(std::string("profile ") + profile->instance_name.in() + " " +
                    profile->type_name.in() + " " + profile->category.in() + " " +
                    profile->version.in() + " " + profile->vendor.in());
    RTC::PortProfile_var port = ports[0]->get_port_profile();
    lines.push_back(std::string("port ") + port->name.in() + " interfaces " +
                    std::to_string(port->interfaces.length()));
    for (CORBA::ULong i = 0; i < port->properties.length(); ++i)
      {
        const char* value = nullptr;
        if (std::string(port->properties[i].name.in()) == "dataport.data_type" &&
            (port->properties[i].value >>= value))
          {
            lines.push_back(std::string("port data type ") + value);
          }
      }
    RTC::ConnectorProfileList_var connectors = ports[0]->get_connector_profiles();
    lines.push_back("connectors " + std::to_string(connectors->length()));
    RTC::ExecutionContextService_var service =
      RTC::ExecutionContextService::_narrow(contexts[0].in());
    RTC::ExecutionContextProfile_var context = service->get_profile();
    lines.push_back("context kind " + std::to_string(context->kind) + " rate " +
                    std::to_string(context->rate) + " state " +
                    std::to_string(contexts[0]->get_component_state(component.in())));
    lines.push_back("deactivating an inactive component " +
                    std::to_string(contexts[0]->deactivate_component(component.in())));

    SDOPackage::ConfigurationSet_var set = configuration->get_configuration_set("default");
    std::string values = std::string("set ") + set->id.in();
    for (CORBA::ULong i = 0; i < set->configuration_data.length(); ++i)
      {
        const char* value = nullptr;
        set->configuration_data[i].value >>= value;
        values += std::string(" ") + set->configuration_data[i].name.in() + "=" +
                  (value != nullptr ? value : "(not a string)");
      }
    lines.push_back(values);
    try
      {
        SDOPackage::ConfigurationSet_var none = configuration->get_configuration_set("nosuch");
        lines.push_back("no exception for an unknown set");
      }
    catch (const CORBA::Exception& e)
      {
        lines.push_back(std::string("unknown set raises ") + e._rep_id());
      }
    return lines;
  }

  class InterfaceIdentity : public ProgramFixture
  {
  protected:
    void SetUp() override { ASSERT_TRUE(m_naming.ready()) << "omniNames did not start"; }

    std::unique_ptr<ChildProcess> startRegistered(const std::string& path, const std::string& as)
    {
      std::unique_ptr<ChildProcess> program =
        startProgram(path, {"naming.enable:YES", "corba.nameservers:" + m_naming.address(),
                            "naming.formats:" + as + "_%n.rtc"});
      EXPECT_TRUE(testsupport::waitForName(m_naming.address(), as + "_InKorvane0.rtc", kPatience))
        << program->stderrText();
      return program;
    }

    testsupport::NamingService m_naming;
  };

  TEST_F(InterfaceIdentity, ABuiltinComponentSaysOfItselfWhatAnOpenRtmOneSays)
  {
    std::unique_ptr<ChildProcess> openRtm = startRegistered(OPENRTM_INKORVANE_COMP_PATH, "openrtm");
    std::unique_ptr<ChildProcess> builtin = startRegistered(BUILTIN_INKORVANE_COMP_PATH, "builtin");
    const std::vector<std::string> expected = identityOf(m_naming.address(), "openrtm_InKorvane0");
    // The component's own interface and its seven bases.
    EXPECT_EQ(
      std::count_if(expected.begin(), expected.end(),
                    [](const std::string& line) { return line.rfind("component is ", 0) == 0; }),
      8)
      << testing::PrintToString(expected);
    EXPECT_EQ(identityOf(m_naming.address(), "builtin_InKorvane0"), expected);
    EXPECT_TRUE(interrupt(*openRtm));
    EXPECT_TRUE(interrupt(*builtin));
  }
}
