// A component of the built-in middleware seen from outside, as OpenRTM-aist components and
// tools see it: a small CORBA client in this test speaks OpenRTM-aist's interfaces to a
// TextPortComp, acts as a foreign writer and a foreign reader, and feeds it bad input.
#include "ConnectorRules.h"
#include "NameValues.h"
#include "NamingClient.h"
#include "NamingPath.h"
#include "ObserverReference.h"
#include "OrbArguments.h"
#include "RemoteFixture.h"
#include "SurfaceCalls.h"

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/DataPortCdr.hh>
#include <rtm/idl/OpenRtmInterfaces.hh>
#include <rtm/idl/RtcComponentObserver.hh>

#include <cmath>
#include <functional>
#include <mutex>
#include <set>

namespace remotetest
{
  namespace
  {
    using RTC::findString;
    using RTC::setString;
    using Bytes = std::vector<unsigned char>;

#ifdef INKORVANE_FASTDDS
    const std::string kInterfaceTypes = "corba_cdr,fast-rtps";
#else
    const std::string kInterfaceTypes = "corba_cdr";
#endif

    // One ORB for the whole test program, with an active POA for the foreign reader.
    CORBA::ORB_ptr testOrb()
    {
      static CORBA::ORB_var orb = [] {
        RTC::OrbOptions options;
        options.program = "test";
        options.endpoint = RTC::orbEndpoint("");
        options.callTimeout = std::chrono::milliseconds(20000);
        // Oneway notifications are compared in the order they were sent.
        options.extra = "-ORBmaxServerThreadPerConnection 1";
        RTC::ArgumentVector arguments = RTC::orbArguments(options);
        CORBA::ORB_var made = CORBA::ORB_init(arguments.argc(), arguments.argv());
        CORBA::Object_var object = made->resolve_initial_references("RootPOA");
        PortableServer::POA_var poa = PortableServer::POA::_narrow(object);
        PortableServer::POAManager_var manager = poa->the_POAManager();
        manager->activate();
        return made;
      }();
      return orb.in();
    }

    PortableServer::POA_ptr testPoa()
    {
      CORBA::Object_var object = testOrb()->resolve_initial_references("RootPOA");
      return PortableServer::POA::_narrow(object);
    }

    // TimedString{tm={1,2}, data="hi"} as bare CDR written by hand, in both byte orders.
    const Bytes kHiLittle = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 'h', 'i', 0};
    const Bytes kHiBig = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 'h', 'i', 0};

    OpenRTM::CdrData cdrData(const Bytes& bytes)
    {
      OpenRTM::CdrData data;
      data.length(static_cast<CORBA::ULong>(bytes.size()));
      for (CORBA::ULong i = 0; i < data.length(); ++i) { data[i] = bytes[i]; }
      return data;
    }

    // A reader of another middleware: records the bytes it is given.
    class ForeignReader : public POA_OpenRTM::InPortCdr
    {
    public:
      OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.emplace_back(data.get_buffer(), data.get_buffer() + data.length());
        return OpenRTM::PORT_OK;
      }
      std::vector<Bytes> values()
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_values;
      }

    private:
      std::mutex m_mutex;
      std::vector<Bytes> m_values;
    };

    // An in port of another middleware: publishes a reader's IOR as OpenRTM-aist's in ports
    // do, and records the connections it is told to forget.
    class ForeignInPort : public POA_RTC::PortService
    {
    public:
      explicit ForeignInPort(const std::string& readerIor) : m_readerIor(readerIor) {}

      RTC::ReturnCode_t notify_connect(RTC::ConnectorProfile& profile) override
      {
        setString(profile.properties, "dataport.corba_cdr.inport_ior", m_readerIor);
        return RTC::RTC_OK;
      }
      RTC::ReturnCode_t notify_disconnect(const char* id) override
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_told.push_back(id);
        return RTC::RTC_OK;
      }
      std::vector<std::string> told()
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_told;
      }
      RTC::PortProfile* get_port_profile() override { return new RTC::PortProfile; }
      RTC::ConnectorProfileList* get_connector_profiles() override
      {
        return new RTC::ConnectorProfileList;
      }
      RTC::ConnectorProfile* get_connector_profile(const char*) override
      {
        return new RTC::ConnectorProfile;
      }
      RTC::ReturnCode_t connect(RTC::ConnectorProfile&) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t disconnect(const char*) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t disconnect_all() override { return RTC::UNSUPPORTED; }

    private:
      const std::string m_readerIor;
      std::mutex m_mutex;
      std::vector<std::string> m_told;
    };

    // A tool's observer of either interface: records "KIND hint" lines.
    template <typename Servant, typename Kind> class Observer : public Servant
    {
    public:
      void update_status(Kind kind, const char* hint) override
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_heard.push_back(std::string(RTC::statusKindName(kind)) + " " + hint);
      }
      std::vector<std::string> heard()
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_heard;
      }

    private:
      std::mutex m_mutex;
      std::vector<std::string> m_heard;
    };
    using OpenRtmObserver = Observer<POA_OpenRTM::ComponentObserver, OpenRTM::StatusKind>;
    using RtcObserver = Observer<POA_RTC::ComponentObserver, RTC::StatusKind>;

    const char* const kComponentBases[] = {
      "IDL:openrtm.aist.go.jp/OpenRTM/DataFlowComponent:1.0",
      "IDL:omg.org/RTC/RTObject:1.0",
      "IDL:omg.org/RTC/DataFlowComponent:1.0",
      "IDL:omg.org/RTC/LightweightRTObject:1.0",
      "IDL:omg.org/RTC/ComponentAction:1.0",
      "IDL:omg.org/RTC/DataFlowComponentAction:1.0",
      "IDL:org.omg/SDOPackage/SDO:1.0",
      "IDL:org.omg/SDOPackage/SDOSystemElement:1.0",
    };
  }

  class RemoteSurface : public RemoteFixture
  {
  protected:
    void SetUp() override
    {
      RemoteFixture::SetUp();
      m_manager = startTextPorts({"TextPort"}, {"naming.formats:%n.rtc"});
      ASSERT_TRUE(waitRegistered(*m_manager, "TextPort0")) << m_manager->stderrText();
      RTC::NamingClient naming(testOrb(), m_naming.address());
      CORBA::Object_var object = naming.resolve(RTC::toNamingName("TextPort0.rtc"));
      m_component = RTC::RTObject::_narrow(object);
      ASSERT_FALSE(CORBA::is_nil(m_component));
      RTC::ExecutionContextList_var contexts = m_component->get_owned_contexts();
      ASSERT_EQ(1u, contexts->length());
      m_context = RTC::ExecutionContext::_duplicate(contexts[0]);
    }

    RTC::PortService_ptr port(const std::string& name)
    {
      RTC::PortServiceList_var ports = m_component->get_ports();
      for (CORBA::ULong i = 0; i < ports->length(); ++i)
        {
          RTC::PortProfile_var profile = ports[i]->get_port_profile();
          if (name == profile->name.in()) { return RTC::PortService::_duplicate(ports[i]); }
        }
      ADD_FAILURE() << "no port " << name;
      return RTC::PortService::_nil();
    }

    // A one-port connector profile as a tool makes it, corba_cdr push unless `properties` differ.
    static RTC::ConnectorProfile
    profileFor(RTC::PortService_ptr port,
               const std::vector<std::pair<std::string, std::string>>& properties)
    {
      RTC::ConnectorProfile profile;
      profile.name = CORBA::string_dup("from the test");
      profile.connector_id = CORBA::string_dup("");
      profile.ports.length(1);
      profile.ports[0] = RTC::PortService::_duplicate(port);
      setString(profile.properties, "dataport.interface_type", "corba_cdr");
      setString(profile.properties, "dataport.dataflow_type", "push");
      for (const auto& property : properties)
        {
          setString(profile.properties, property.first.c_str(), property.second);
        }
      return profile;
    }

    void setParameter(const std::string& name, const std::string& value)
    {
      SDOPackage::Configuration_var configuration = m_component->get_configuration();
      SDOPackage::ConfigurationSet set;
      set.id = CORBA::string_dup("default");
      set.description = CORBA::string_dup("");
      setString(set.configuration_data, name.c_str(), value);
      ASSERT_TRUE(configuration->set_configuration_set_values(set));
      ASSERT_TRUE(configuration->activate_configuration_set("default"));
    }

    std::size_t warnings(const std::string& part) { return countOf(m_manager->stderrText(), part); }

    // Our out port writing to a reader of another middleware in big-endian CDR, connected with
    // `extra` properties, until the reader goes away.
    void foreignReaderGetsItsByteOrderAndIsDroppedOnce(
      const std::vector<std::pair<std::string, std::string>>& extra);

    std::unique_ptr<ChildProcess> m_manager;
    RTC::RTObject_var m_component;
    RTC::ExecutionContext_var m_context;
  };

  TEST_F(RemoteSurface, AnswersAsAnOpenRtmComponentDoes)
  {
    for (const char* base : kComponentBases) { EXPECT_TRUE(m_component->_is_a(base)) << base; }
    RTC::ComponentProfile_var profile = m_component->get_component_profile();
    EXPECT_STREQ("TextPort0", profile->instance_name);
    EXPECT_STREQ("TextPort", profile->type_name);
    EXPECT_STREQ("Test", profile->category);
    EXPECT_TRUE(CORBA::is_nil(profile->parent));
    EXPECT_EQ("TextPort", RTC::stringOr(profile->properties, "type_name"));
    ASSERT_EQ(3u, profile->port_profiles.length());
    CORBA::String_var id = m_component->get_sdo_id();
    CORBA::String_var type = m_component->get_sdo_type();
    EXPECT_STREQ("TextPort0", id.in());
    EXPECT_STREQ(profile->description.in(), type.in());

    RTC::PortService_var in = port("TextPort0.in");
    RTC::PortProfile_var inProfile = in->get_port_profile();
    EXPECT_EQ("DataInPort", RTC::stringOr(inProfile->properties, "port.port_type"));
    EXPECT_EQ("IDL:RTC/TimedString:1.0",
              RTC::stringOr(inProfile->properties, "dataport.data_type"));
    EXPECT_EQ(kInterfaceTypes, RTC::stringOr(inProfile->properties, "dataport.interface_type"));
    EXPECT_TRUE(inProfile->owner->_is_equivalent(m_component));
    RTC::PortProfile_var outProfile = port("TextPort0.out")->get_port_profile();
    EXPECT_EQ("DataOutPort", RTC::stringOr(outProfile->properties, "port.port_type"));

    EXPECT_EQ(0, m_component->get_context_handle(m_context));
    RTC::ExecutionContext_var first = m_component->get_context(0);
    EXPECT_TRUE(first->_is_equivalent(m_context));
    RTC::ExecutionContextList_var participating = m_component->get_participating_contexts();
    EXPECT_EQ(0u, participating->length());
    EXPECT_TRUE(m_component->is_alive(m_context));
    EXPECT_EQ(RTC::PERIODIC, m_context->get_kind());
    EXPECT_DOUBLE_EQ(100.0, m_context->get_rate());
    EXPECT_TRUE(m_context->is_running());

    // An operation no interface of a component declares.
    CORBA::Request_var request = m_component->_request("get_monitoring_parameters");
    request->set_return_type(CORBA::_tc_any);
    try
      {
        request->invoke();
        ASSERT_NE(nullptr, request->env()->exception());
        EXPECT_NE(nullptr, CORBA::NO_IMPLEMENT::_downcast(request->env()->exception()));
      }
    catch (const CORBA::NO_IMPLEMENT&)
      {
      }
  }

  // Every operation tools call, in the order a tool might, answered as OpenRTM-aist 1.2.2 does.
  TEST_F(RemoteSurface, EveryOperationAnswersAsOpenRtmDoes)
  {
    for (const testsupport::SurfaceCall& call : testsupport::surfaceCalls(m_component, m_context))
      {
        EXPECT_EQ(call.openRtmAnswer, testsupport::answerOf(call)) << call.operation;
      }
    EXPECT_EQ(RTC::INACTIVE_STATE, m_context->get_component_state(m_component));
  }

  // Both observers tools register, at once on one component: each hears every change in its
  // interface's kinds, and the heartbeats its interface's properties ask for.
  TEST_F(RemoteSurface, ObserversOfBothInterfacesHearOfEveryChangeAndAHeartbeat)
  {
    const char* const kOpenRtmType = "IDL:OpenRTM/ComponentObserver:1.0";
    const char* const kRtcType = "IDL:omg.org/RTC/ComponentObserver:1.0";
    PortableServer::Servant_var<OpenRtmObserver> openRtm = new OpenRtmObserver;
    PortableServer::Servant_var<RtcObserver> rtc = new RtcObserver;
    PortableServer::ObjectId_var openRtmId = testPoa()->activate_object(openRtm.in());
    PortableServer::ObjectId_var rtcId = testPoa()->activate_object(rtc.in());
    auto profileOf = [kOpenRtmType](const char* id, const char* type,
                                    const PortableServer::ObjectId& object) {
      SDOPackage::ServiceProfile profile;
      profile.id = CORBA::string_dup(id);
      profile.interface_type = CORBA::string_dup(type);
      CORBA::Object_var reference = testPoa()->id_to_reference(object);
      profile.service = SDOPackage::SDOService::_narrow(reference);
      // Each interface reads its own heartbeat properties and ignores the other's.
      setString(profile.properties, "heartbeat.enable", "NO");
      setString(profile.properties, "rtc_heartbeat.enable", "YES");
      setString(profile.properties, "rtc_heartbeat.interval", "0.1");
      setString(profile.properties, "ec_heartbeat.enable", "YES");
      setString(profile.properties, "ec_heartbeat.interval", "0.1");
      if (std::string(type) == kOpenRtmType)
        {
          setString(profile.properties, "heartbeat.enable", "YES");
          setString(profile.properties, "heartbeat.interval", "0.1");
        }
      return profile;
    };
    SDOPackage::Configuration_var configuration = m_component->get_configuration();
    // The service profile's type must be what the object is.
    EXPECT_FALSE(configuration->add_service_profile(profileOf("x", kRtcType, openRtmId.in())));
    EXPECT_FALSE(configuration->add_service_profile(profileOf("x", kOpenRtmType, rtcId.in())));
    ASSERT_TRUE(configuration->add_service_profile(profileOf("a", kOpenRtmType, openRtmId.in())));
    ASSERT_TRUE(configuration->add_service_profile(profileOf("b", kRtcType, rtcId.in())));

    RTC::ExecutionContextService_var ec = RTC::ExecutionContextService::_narrow(m_context);
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    RTC::ConnectorProfile connector = profileFor(port("TextPort0.in"), {});
    ASSERT_EQ(RTC::RTC_OK, port("TextPort0.in")->connect(connector));
    setParameter("DeactivateDelayMs", "1");
    ASSERT_EQ(RTC::RTC_OK, ec->set_rate(20.0));
    ASSERT_EQ(RTC::RTC_OK, m_context->deactivate_component(m_component));
    // The changes are the same kinds and hints in both interfaces.
    const std::vector<std::string> changes = {"CONFIGURATION UPDATE_CONFIG_SET: default",
                                              "RTC_STATUS ACTIVE:0",
                                              "PORT_PROFILE CONNECT:TextPort0.in",
                                              "CONFIGURATION SET_CONFIG_SET: default",
                                              "CONFIGURATION ACTIVATE_CONFIG_SET: default",
                                              "CONFIGURATION UPDATE_CONFIG_SET: default",
                                              "EC_STATUS RATE_CHANGED:0",
                                              "RTC_STATUS INACTIVE:0"};
    auto split = [&](const std::vector<std::string>& heard) {
      std::pair<std::vector<std::string>, std::set<std::string>> parts;
      for (const std::string& line : heard)
        {
          if (line.find("HEARTBEAT ") == std::string::npos) { parts.first.push_back(line); }
          else { parts.second.insert(line); }
        }
      return parts;
    };
    const std::set<std::string> openRtmBeats = {"HEARTBEAT "};
    const std::set<std::string> rtcBeats = {"RTC_HEARTBEAT ", "EC_HEARTBEAT HEARTBEAT:0"};
    auto done = [&] {
      return split(openRtm->heard()) == std::make_pair(changes, openRtmBeats) &&
             split(rtc->heard()) == std::make_pair(changes, rtcBeats);
    };
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done() && std::chrono::steady_clock::now() < deadline)
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    EXPECT_EQ(std::make_pair(changes, openRtmBeats), split(openRtm->heard()));
    EXPECT_EQ(std::make_pair(changes, rtcBeats), split(rtc->heard()));

    for (const char* id : {"a", "b"})
      {
        ASSERT_TRUE(configuration->remove_service_profile(id));
        EXPECT_FALSE(configuration->remove_service_profile(id));
      }
    testPoa()->deactivate_object(openRtmId.in());
    testPoa()->deactivate_object(rtcId.in());
  }

  TEST_F(RemoteSurface, StateChangesAreCarriedOutBeforeTheAnswer)
  {
    EXPECT_EQ(RTC::INACTIVE_STATE, m_context->get_component_state(m_component));
    EXPECT_EQ(RTC::BAD_PARAMETER, m_context->activate_component(RTC::RTObject::_nil()));
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    EXPECT_EQ(RTC::ACTIVE_STATE, m_context->get_component_state(m_component));
    EXPECT_TRUE(m_manager->waitForStdout("TextPort0 activated", kPatience));
    EXPECT_EQ(RTC::PRECONDITION_NOT_MET, m_context->activate_component(m_component));
    ASSERT_EQ(RTC::RTC_OK, m_context->deactivate_component(m_component));
    // onDeactivated has returned by the time the answer comes.
    EXPECT_EQ(RTC::INACTIVE_STATE, m_context->get_component_state(m_component));
    EXPECT_TRUE(m_manager->waitForStdout("TextPort0 deactivated", kPatience));
  }

  // One process's context drives a component of another, as an OpenRTM-aist context drives
  // its participants; one that dies is dropped with one warning and the owner goes on.
  TEST_F(RemoteSurface, ContextDrivesAComponentOfAnotherProcess)
  {
    auto probe = startManager(PROBE_PROGRAM, {"naming.formats:%n.rtc"});
    ASSERT_TRUE(waitRegistered(*probe, "Probe0")) << probe->stderrText();
    RTC::NamingClient naming(testOrb(), m_naming.address());
    CORBA::Object_var object = naming.resolve(RTC::toNamingName("Probe0.rtc"));
    RTC::RTObject_var other = RTC::RTObject::_narrow(object);
    auto said = [&](const char* what, std::size_t times) {
      return probe->waitForStdoutMatch(
        [&](const std::string& out) { return countOf(out, what) == times; }, kPatience);
    };

    EXPECT_EQ(RTC::BAD_PARAMETER, m_context->activate_component(other));
    ASSERT_EQ(RTC::RTC_OK, m_context->add_component(other));
    EXPECT_EQ(RTC::INACTIVE_STATE, m_context->get_component_state(other));
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(other));
    EXPECT_EQ(RTC::ACTIVE_STATE, m_context->get_component_state(other));
    EXPECT_EQ(RTC::PRECONDITION_NOT_MET, m_context->activate_component(other));
    EXPECT_EQ(RTC::PRECONDITION_NOT_MET, m_context->reset_component(other));
    EXPECT_TRUE(said("Probe0 onExecute", 1)) << probe->stdoutText();
    ASSERT_EQ(RTC::RTC_OK, m_context->deactivate_component(other));
    EXPECT_EQ(RTC::INACTIVE_STATE, m_context->get_component_state(other));
    EXPECT_TRUE(said("Probe0 onDeactivated", 1)) << probe->stdoutText();

    // Removing an active participant stops it first; then it is a stranger.
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(other));
    EXPECT_TRUE(said("Probe0 onExecute", 2)) << probe->stdoutText();
    ASSERT_EQ(RTC::RTC_OK, m_context->remove_component(other));
    EXPECT_TRUE(said("Probe0 onDeactivated", 2)) << probe->stdoutText();
    EXPECT_EQ(RTC::CREATED_STATE, m_context->get_component_state(other));
    EXPECT_EQ(RTC::BAD_PARAMETER, m_context->activate_component(other));

    ASSERT_EQ(RTC::RTC_OK, m_context->add_component(other));
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(other));
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    probe->signal(SIGKILL);
    ASSERT_TRUE(probe->wait(kPatience));
    EXPECT_TRUE(m_manager->waitForStderr("participant dropped", kPatience));
    EXPECT_EQ(RTC::CREATED_STATE, m_context->get_component_state(other));
    RTC::ExecutionContextService_var ec = RTC::ExecutionContextService::_narrow(m_context);
    RTC::ExecutionContextProfile_var profile = ec->get_profile();
    EXPECT_EQ(0u, profile->participants.length());
    ASSERT_EQ(RTC::RTC_OK, m_context->deactivate_component(m_component));
    EXPECT_TRUE(m_manager->waitForStdout("TextPort0 deactivated", kPatience));
    EXPECT_EQ(1u, countOf(m_manager->stderrText(), "participant dropped"));
  }

  TEST_F(RemoteSurface, ExitDeactivatesThenFinalizesAndTheLastComponentEndsTheProcess)
  {
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    ASSERT_EQ(RTC::RTC_OK, m_component->exit());
    ASSERT_TRUE(m_manager->wait(kPatience)) << m_manager->stderrText();
    EXPECT_NE(m_manager->stdoutText().find("TextPort0 deactivated"), std::string::npos);
    EXPECT_EQ(0, m_manager->exitCode());
    EXPECT_NE(m_manager->stdoutText().find("TextPort0 finalized"), std::string::npos);
  }

  TEST_F(RemoteSurface, ConfigurationSetsAreReadAndChangedAsOpenRtmToolsDo)
  {
    SDOPackage::Configuration_var configuration = m_component->get_configuration();
    SDOPackage::ConfigurationSet_var active = configuration->get_active_configuration_set();
    EXPECT_STREQ("default", active->id);
    std::string value;
    EXPECT_TRUE(findString(active->configuration_data, "DeactivateDelayMs", value));
    EXPECT_EQ("0", value);

    // A new set is made by setting values, and used from the next activation on.
    m_directory.write("two.txt", toHex("a") + "\n" + toHex("b") + "\n");
    SDOPackage::ConfigurationSet other;
    other.id = CORBA::string_dup("other");
    other.description = CORBA::string_dup("");
    setString(other.configuration_data, "Texts", m_directory.file("two.txt"));
    ASSERT_TRUE(configuration->set_configuration_set_values(other));
    SDOPackage::ConfigurationSetList_var sets = configuration->get_configuration_sets();
    EXPECT_EQ(2u, sets->length());
    // As OpenRTM-aist: no active set to show until one is activated again.
    EXPECT_THROW(configuration->get_active_configuration_set(), SDOPackage::NotAvailable);

    for (const char* refused : {"nosuch", "_hidden", "__widget__", ""})
      {
        EXPECT_THROW(configuration->activate_configuration_set(refused),
                     SDOPackage::InvalidParameter)
          << refused;
      }
    ASSERT_TRUE(configuration->activate_configuration_set("other"));
    active = configuration->get_active_configuration_set();
    EXPECT_STREQ("other", active->id);
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    EXPECT_TRUE(m_manager->waitForStdout("TextPort0 activated 2", kPatience))
      << m_manager->stdoutText();
  }

  // No tool between: what the port itself refuses, in the connector rules' words, is logged and
  // comes back in the profile.
  TEST_F(RemoteSurface, BadConnectionsAreRefusedWithOneWarningEach)
  {
    RTC::PortService_var in = port("TextPort0.in");
    RTC::PortService_var out = port("TextPort0.out");
    struct Case
    {
      RTC::PortService_ptr port;
      std::vector<std::pair<std::string, std::string>> properties;
      std::string reason;   // empty: not a connector rule's, any words
    };
    const Case cases[] = {
      {in.in(),
       {{"dataport.interface_type", "shared_memory"}},
       "interface_type must be corba_cdr or fast-rtps, got 'shared_memory'"},
      {in.in(),
       {{"dataport.dataflow_type", "duplex"}},
       "dataflow_type must be push or pull, got 'duplex'"},
      {in.in(),
       {{"dataport.data_type", "IDL:RTC/Time:1.0"}},
       "data types differ (IDL:RTC/Time:1.0 and IDL:RTC/TimedString:1.0)"},
      {in.in(),
       {{"dataport.serializer.cdr.endian", "middle"}},
       "serializer.cdr.endian must be little or big, got 'middle'"},
      {in.in(),
       {{"dataport.buffer.length", "0"}},
       "buffer.length must be a number from 1 to 1000000, got '0'"},
      {out.in(),
       {{"dataport.subscription_type", "periodic"}},
       "subscription_type must be flush or new, got 'periodic'"},
      {out.in(),
       {{"dataport.subscription_type", "new"}, {"dataport.publisher.push_policy", "fifty"}},
       "publisher.push_policy must be all, fifo, skip or new, got 'fifty'"},
      {out.in(), {}, ""},   // neither inport_ior nor inport_ref
      {out.in(), {{"dataport.corba_cdr.inport_ior", "IOR:not-hex"}}, ""},
      {out.in(), {{"dataport.corba_cdr.inport_ior", "corbaloc::127.0.0.1:1/nothing"}}, ""},
    };
    std::size_t expected = 0;
    for (const Case& bad : cases)
      {
        RTC::ConnectorProfile profile = profileFor(bad.port, bad.properties);
        const std::string what = bad.properties.empty() ? "" : bad.properties.front().second;
        EXPECT_EQ(RTC::BAD_PARAMETER, bad.port->connect(profile)) << what;
        ++expected;
        EXPECT_TRUE(m_manager->waitForStderrMatch(
          [&](const std::string& err) { return countOf(err, "refused") >= expected; }, kPatience));
        EXPECT_EQ(expected, warnings("refused")) << m_manager->stderrText();
        std::string reason;
        EXPECT_TRUE(findString(profile.properties, RTC::kRefusalKey, reason)) << what;
        if (!bad.reason.empty())
          {
            EXPECT_EQ(reason, bad.reason);
            EXPECT_EQ(1u, warnings("refused: " + bad.reason)) << m_manager->stderrText();
          }
        RTC::ConnectorProfileList_var listed = bad.port->get_connector_profiles();
        EXPECT_EQ(0u, listed->length());
      }
    // The component is unharmed: a sound connection is made. How a writer publishes is its own
    // concern: the in port takes any subscription and push policy.
    RTC::ConnectorProfile sound = profileFor(
      in, {{"dataport.subscription_type", "Periodic"}, {"dataport.publisher.push_policy", "fifo"}});
    EXPECT_EQ(RTC::RTC_OK, in->connect(sound));
    EXPECT_EQ(RTC::PRECONDITION_NOT_MET, in->connect(sound));   // the same id again
  }

  TEST_F(RemoteSurface, ForeignWriterPutsBareCdrInTheConnectionsByteOrder)
  {
    RTC::PortService_var in = port("TextPort0.in");
    RTC::ConnectorProfile profile =
      profileFor(in, {{"dataport.serializer.cdr.endian", "big,little"},
                      {"dataport.buffer.length", "2"},
                      {"dataport.buffer.write.full_policy", "do_nothing"}});
    ASSERT_EQ(RTC::RTC_OK, in->connect(profile));
    const std::string id = profile.connector_id.in();
    EXPECT_EQ(36u, id.size());
    EXPECT_EQ(std::string::npos, id.find_first_not_of("0123456789abcdef-"));
    std::string ior;
    ASSERT_TRUE(findString(profile.properties, "dataport.corba_cdr.inport_ior", ior));
    EXPECT_EQ(0u, ior.find("IOR:"));
    CORBA::Object_var object = testOrb()->string_to_object(ior.c_str());
    OpenRTM::InPortCdr_var sink = OpenRTM::InPortCdr::_narrow(object);
    ASSERT_FALSE(CORBA::is_nil(sink));

    // Not a value: a string longer than the bytes, and a string without its terminating zero.
    for (const Bytes& bad : {Bytes{0, 0, 0, 1, 0, 0, 0, 2, 0x7f, 0, 0, 0}, Bytes{1, 2, 3},
                             Bytes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 2, 'h', 'i'}})
      {
        EXPECT_EQ(OpenRTM::PORT_ERROR, sink->put(cdrData(bad)));
      }
    EXPECT_TRUE(m_manager->waitForStderr("not a IDL:RTC/TimedString:1.0 value", kPatience));
    EXPECT_EQ(1u, warnings("not a IDL:RTC/TimedString:1.0 value")) << m_manager->stderrText();

    // The component is inactive, so the buffer of two fills up.
    EXPECT_EQ(OpenRTM::PORT_OK, sink->put(cdrData(kHiBig)));
    EXPECT_EQ(OpenRTM::PORT_OK, sink->put(cdrData(kHiBig)));
    EXPECT_EQ(OpenRTM::BUFFER_FULL, sink->put(cdrData(kHiBig)));
    RTC::ConnectorProfileList_var listed = in->get_connector_profiles();
    ASSERT_EQ(1u, listed->length());
    EXPECT_EQ("1", RTC::stringOr(listed[0].properties, "dataport.inkorvane.dropped"));

    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    EXPECT_TRUE(m_manager->waitForStdoutMatch(
      [](const std::string& out) { return countOf(out, "TextPort0 got 2 [6869]") == 2; },
      kPatience))
      << m_manager->stdoutText();

    ASSERT_EQ(RTC::RTC_OK, in->disconnect(id.c_str()));
    EXPECT_THROW(sink->put(cdrData(kHiBig)), CORBA::OBJECT_NOT_EXIST);
    EXPECT_EQ(RTC::BAD_PARAMETER, in->notify_disconnect(id.c_str()));
  }

  void RemoteSurface::foreignReaderGetsItsByteOrderAndIsDroppedOnce(
    const std::vector<std::pair<std::string, std::string>>& extra)
  {
    PortableServer::POA_var poa = testPoa();
    PortableServer::Servant_var<ForeignReader> reader = new ForeignReader;
    PortableServer::ObjectId_var readerId = poa->activate_object(reader.in());
    CORBA::Object_var readerObject = poa->id_to_reference(readerId.in());
    CORBA::String_var readerIor = testOrb()->object_to_string(readerObject);

    // The reader's port comes second: the out port subscribes to what it published.
    PortableServer::Servant_var<ForeignInPort> inPort = new ForeignInPort(readerIor.in());
    PortableServer::ObjectId_var inPortId = poa->activate_object(inPort.in());
    CORBA::Object_var inPortObject = poa->id_to_reference(inPortId.in());
    RTC::PortService_var foreignIn = RTC::PortService::_narrow(inPortObject);
    RTC::PortService_var out = port("TextPort0.out");
    std::vector<std::pair<std::string, std::string>> properties = {
      {"dataport.serializer.cdr.endian", "big"}};
    properties.insert(properties.end(), extra.begin(), extra.end());
    RTC::ConnectorProfile profile = profileFor(out, properties);
    profile.ports.length(2);
    profile.ports[1] = RTC::PortService::_duplicate(foreignIn.in());
    ASSERT_EQ(RTC::RTC_OK, out->connect(profile));

    std::string texts;
    for (int i = 0; i < 300; ++i) { texts += toHex("hi") + "\n"; }
    m_directory.write("texts.txt", texts);
    setParameter("Texts", m_directory.file("texts.txt"));
    ASSERT_EQ(RTC::RTC_OK, m_context->activate_component(m_component));
    ASSERT_TRUE(testsupport::waitUntil([&reader] { return !reader->values().empty(); }));
    // TextPortComp leaves the time stamp unset: the string after it tells the byte order.
    const Bytes first = reader->values().front();
    ASSERT_EQ(15u, first.size());
    EXPECT_EQ((Bytes{0, 0, 0, 3, 'h', 'i', 0}), Bytes(first.begin() + 8, first.end()));

    // The reader goes away: the writer drops the connection with one warning and writes on.
    poa->deactivate_object(readerId.in());
    EXPECT_TRUE(m_manager->waitForStdout("unconnected", kPatience)) << m_manager->stderrText();
    EXPECT_TRUE(m_manager->waitForStderr("gone; connection dropped", kPatience));
    EXPECT_EQ(1u, warnings("gone; connection dropped")) << m_manager->stderrText();
    RTC::ConnectorProfileList_var listed = out->get_connector_profiles();
    EXPECT_EQ(0u, listed->length());
    EXPECT_EQ(RTC::ACTIVE_STATE, m_context->get_component_state(m_component));
    // Its port is told, so that a reader that only hung does not wait on a dropped connection.
    testsupport::waitUntil([&inPort] { return !inPort->told().empty(); });
    EXPECT_EQ((std::vector<std::string>{profile.connector_id.in()}), inPort->told());
    poa->deactivate_object(inPortId.in());
  }

  TEST_F(RemoteSurface, ForeignReaderGetsItsByteOrderAndAGoneReaderIsDroppedOnce)
  {
    foreignReaderGetsItsByteOrderAndIsDroppedOnce({});
  }

  // The same through a publisher thread, which sends the bytes it picked at write().
  TEST_F(RemoteSurface, ForeignReaderOfAPublisherThreadTheSame)
  {
    foreignReaderGetsItsByteOrderAndIsDroppedOnce(
      {{"dataport.subscription_type", "NEW"}, {"dataport.publisher.push_policy", "all"}});
  }
}
