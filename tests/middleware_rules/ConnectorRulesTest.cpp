// The connector rules that the manager, our ports and rtctl all judge by: what each refuses,
// in which words, and what each takes.
#include "ConnectorNames.h"
#include "ConnectorRules.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
  using Pairs = std::map<std::string, std::string>;

  coil::Properties propertiesOf(const Pairs& pairs)
  {
    coil::Properties properties;
    for (const auto& pair : pairs) { properties.setProperty(pair.first, pair.second); }
    return properties;
  }

  Pairs pairsOf(const coil::Properties& properties)
  {
    Pairs pairs;
    for (const std::string& key : properties.propertyNames())
      {
        pairs[key] = properties.getProperty(key);
      }
    return pairs;
  }

  // What the writer's end says of the connector properties, empty when it takes them.
  std::string refusalOf(const Pairs& pairs, RTC::ConnectorEnd end = RTC::ConnectorEnd::Writer)
  {
    RTC::ConnectorTerms terms;
    std::string refusal;
    const bool taken = RTC::readConnectorTerms(propertiesOf(pairs), end, terms, refusal);
    EXPECT_EQ(taken, refusal.empty()) << refusal;
    return refusal;
  }

  const Pairs kSound = {{"dataport.interface_type", "corba_cdr"}};

  Pairs soundWith(const std::string& key, const std::string& value)
  {
    Pairs pairs = kSound;
    pairs[key] = value;
    return pairs;
  }

  TEST(ConnectorRules, EachPropertyRefusalHasItsOwnWords)
  {
    const std::vector<std::pair<Pairs, std::string>> cases = {
      {{}, "interface_type must be corba_cdr or fast-rtps, none given"},
      {{{"dataport.interface_type", "shared_memory"}},
       "interface_type must be corba_cdr or fast-rtps, got 'shared_memory'"},
      {soundWith("dataport.dataflow_type", "duplex"),
       "dataflow_type must be push or pull, got 'duplex'"},
      {soundWith("dataport.subscription_type", "periodic"),
       "subscription_type must be flush or new, got 'periodic'"},
      {soundWith("dataport.publisher.push_policy", "fifty"),
       "publisher.push_policy must be all, fifo, skip or new, got 'fifty'"},
      {soundWith("dataport.publisher.skip_count", "-1"),
       "publisher.skip_count must be a number from 0 to 1000000, got '-1'"},
      {soundWith("dataport.timestamp_policy", "on_time"),
       "timestamp_policy must be on_write, on_send, on_received or on_read, got 'on_time'"},
      {soundWith("dataport.buffer.write.timeout", "soon"),
       "buffer.write.timeout must be a number of seconds from 0 to 3600, got 'soon'"},
      {soundWith("dataport.buffer.read.timeout", "-1"),
       "buffer.read.timeout must be a number of seconds from 0 to 3600, got '-1'"},
      {soundWith("dataport.buffer.read.empty_policy", "wait"),
       "buffer.read.empty_policy must be readback, do_nothing or block, got 'wait'"},
      {soundWith("dataport.outport.buffer.length", "0"),
       "buffer.length must be a number from 1 to 1000000, got '0'"},
      {soundWith("dataport.serializer.cdr.endian", "middle,little"),
       "serializer.cdr.endian must be little or big, got 'middle,little'"},
      {soundWith("dataport.serializer.cdr.endian", ","),
       "serializer.cdr.endian must be little or big, got ','"},
      {soundWith("dataport.buffer.length", "0"),
       "buffer.length must be a number from 1 to 1000000, got '0'"},
      {soundWith("dataport.buffer.length", "1000001"),
       "buffer.length must be a number from 1 to 1000000, got '1000001'"},
      {soundWith("dataport.buffer.length", "8x"),
       "buffer.length must be a number from 1 to 1000000, got '8x'"},
      {soundWith("dataport.buffer.length", " "),
       "buffer.length must be a number from 1 to 1000000, none given"},
      {soundWith("dataport.buffer.write.full_policy", "wait"),
       "buffer.write.full_policy must be overwrite, do_nothing or block, got 'wait'"},
    };
    for (const auto& c : cases) { EXPECT_EQ(refusalOf(c.first), c.second); }
  }

  TEST(ConnectorRules, WordsCompareWithoutCaseAndSetTheTerms)
  {
    RTC::ConnectorTerms terms;
    std::string refusal;
    ASSERT_TRUE(
      RTC::readConnectorTerms(propertiesOf({{"dataport.interface_type", " CORBA_CDR "},
                                            {"dataport.dataflow_type", "Push"},
                                            {"dataport.subscription_type", "NEW"},
                                            {"publisher.push_policy", " All "},
                                            {"dataport.serializer.cdr.endian", "BIG, little"},
                                            {"dataport.buffer.length", " 16 "},
                                            {"dataport.buffer.write.full_policy", "Do_Nothing"}}),
                              RTC::ConnectorEnd::Writer, terms, refusal))
      << refusal;
    EXPECT_EQ(terms.settings.bufferLength, 16u);
    EXPECT_FALSE(terms.settings.overwriteWhenFull);
    EXPECT_FALSE(terms.littleEndian);
    EXPECT_TRUE(terms.settings.publisherThread);
    EXPECT_EQ(terms.settings.pushPolicy, RTC::PushPolicy::All);

    // What is not given takes the defaults.
    RTC::ConnectorTerms defaults;
    ASSERT_TRUE(
      RTC::readConnectorTerms(propertiesOf(kSound), RTC::ConnectorEnd::Writer, defaults, refusal));
    EXPECT_EQ(defaults.settings.bufferLength, 8u);
    EXPECT_TRUE(defaults.settings.overwriteWhenFull);
    EXPECT_TRUE(defaults.littleEndian);
    EXPECT_FALSE(defaults.settings.publisherThread);
    EXPECT_EQ(defaults.settings.pushPolicy, RTC::PushPolicy::New);
  }

  TEST(ConnectorRules, OnlyTheWritersEndJudgesTheSubscription)
  {
    // An OpenRTM-aist writer knows kinds ours does not: its reader leaves them to it.
    Pairs periodic = soundWith("dataport.subscription_type", "periodic");
    periodic["dataport.publisher.push_policy"] = "fifo";
    EXPECT_EQ(refusalOf(periodic, RTC::ConnectorEnd::Reader), "");
    EXPECT_EQ(refusalOf(periodic, RTC::ConnectorEnd::Writer),
              "subscription_type must be flush or new, got 'periodic'");
    // Everything else the reader judges as the writer does.
    EXPECT_EQ(refusalOf(soundWith("buffer.length", "0"), RTC::ConnectorEnd::Reader),
              "buffer.length must be a number from 1 to 1000000, got '0'");
  }

  TEST(ConnectorRules, TheDataportPrefixIsOptionalAndWinsWhenBothAreGiven)
  {
    const coil::Properties plain = propertiesOf({{"buffer.length", " 4 "}});
    const coil::Properties both =
      propertiesOf({{"buffer.length", "4"}, {"dataport.buffer.length", "5"}});
    EXPECT_EQ(RTC::connectorValue(plain, "buffer.length"), "4");
    EXPECT_EQ(RTC::connectorValue(both, "buffer.length"), "5");
    EXPECT_EQ(RTC::connectorValue(plain, "buffer.write.full_policy", "overwrite"), "overwrite");
    EXPECT_EQ(RTC::dataportKey("buffer.length"), "dataport.buffer.length");
    EXPECT_EQ(RTC::dataportKey("dataport.buffer.length"), "dataport.buffer.length");
    EXPECT_EQ(refusalOf({{"interface_type", "corba_cdr"}, {"buffer.write.full_policy", "no"}}),
              "buffer.write.full_policy must be overwrite, do_nothing or block, got 'no'");

    // What is sent to a port: prefixed keys, defaults filled in, the connector's name left out.
    EXPECT_EQ(pairsOf(RTC::connectorProperties(propertiesOf({{"name", "narrow"},
                                                             {"buffer.length", "4"},
                                                             {"dataport.buffer.length", "5"},
                                                             {"subscription_type", "new"}}))),
              (Pairs{{"dataport.buffer.length", "5"},
                     {"dataport.dataflow_type", "push"},
                     {"dataport.interface_type", "corba_cdr"},
                     {"dataport.subscription_type", "new"}}));
  }

  // RT System Editor writes each end's buffer under dataport.inport.* and dataport.outport.*;
  // each end stamps at its own steps only.
  TEST(ConnectorRules, EachEndReadsItsOwnKeysAndStampsAtItsOwnSteps)
  {
    struct Case
    {
      Pairs given;
      RTC::ConnectorEnd end;
      std::size_t length;
      RTC::StampStep stampAt;
    };
    const Pairs ends = {{"dataport.interface_type", "corba_cdr"},
                        {"dataport.buffer.length", "4"},
                        {"dataport.inport.buffer.length", "16"},
                        {"dataport.outport.buffer.length", "32"}};
    Pairs received = kSound;
    received["timestamp_policy"] = "On_Received";
    Pairs written = kSound;
    written["dataport.outport.timestamp_policy"] = "on_write";
    const std::vector<Case> cases = {
      {ends, RTC::ConnectorEnd::Reader, 16, RTC::StampStep::Never},
      {ends, RTC::ConnectorEnd::Writer, 32, RTC::StampStep::Never},
      {ends, RTC::ConnectorEnd::Both, 16, RTC::StampStep::Never},
      {received, RTC::ConnectorEnd::Reader, 8, RTC::StampStep::OnReceived},
      {received, RTC::ConnectorEnd::Writer, 8, RTC::StampStep::Never},
      {received, RTC::ConnectorEnd::Both, 8, RTC::StampStep::OnReceived},
      {written, RTC::ConnectorEnd::Writer, 8, RTC::StampStep::OnWrite},
      {written, RTC::ConnectorEnd::Reader, 8, RTC::StampStep::Never},
    };
    for (const Case& c : cases)
      {
        RTC::ConnectorTerms terms;
        std::string refusal;
        ASSERT_TRUE(RTC::readConnectorTerms(propertiesOf(c.given), c.end, terms, refusal))
          << refusal;
        EXPECT_EQ(terms.settings.bufferLength, c.length) << static_cast<int>(c.end);
        EXPECT_EQ(terms.settings.stampAt, c.stampAt) << static_cast<int>(c.end);
      }
  }

  TEST(ConnectorRules, TheBufferRulesAloneLeaveTheRestToThePort)
  {
    RTC::ConnectorTerms terms;
    std::string refusal;
    EXPECT_TRUE(RTC::readBufferTerms(
      propertiesOf({{"interface_type", "shared_memory"}, {"buffer.length", "3"}}), terms, refusal))
      << refusal;
    EXPECT_EQ(terms.settings.bufferLength, 3u);
    EXPECT_FALSE(
      RTC::readBufferTerms(propertiesOf({{"dataport.buffer.length", "-1"}}), terms, refusal));
    EXPECT_EQ(refusal, "buffer.length must be a number from 1 to 1000000, got '-1'");
  }

  RTC::PortFacts port(const std::string& name, const std::string& type,
                      const std::string& dataType = "IDL:RTC/TimedString:1.0")
  {
    return RTC::PortFacts{name, type, dataType};
  }

  TEST(PortPairing, OneOutPortAndOneInPortOfOneType)
  {
    const RTC::PortFacts out = port("A0.out", "DataOutPort");
    const RTC::PortFacts in = port("B0.in", "DataInPort");
    const std::vector<std::pair<std::pair<RTC::PortFacts, RTC::PortFacts>, std::string>> cases = {
      {{out, in}, ""},
      {{in, out}, ""},
      {{out, port("B0.in", "DataInPort", "")}, ""},   // a type not reported is the port's to judge
      {{out, port("B0.in", "DataInPort", "TimedString")}, ""},
      {{out, out}, "both are out ports"},
      {{in, in}, "both are in ports"},
      {{port("A0.svc", "CorbaPort"), in}, "A0.svc is not a data port (CorbaPort)"},
      {{out, port("B0.x", "")}, "B0.x is not a data port (no port type)"},
      {{out, port("B0.in", "DataInPort", "IDL:RTC/TimedLong:1.0")},
       "data types differ (IDL:RTC/TimedString:1.0 and IDL:RTC/TimedLong:1.0)"},
    };
    for (const auto& c : cases)
      {
        std::string refusal;
        EXPECT_EQ(RTC::checkPairing(c.first.first, c.first.second, refusal), c.second.empty());
        EXPECT_EQ(refusal, c.second) << c.first.first.name << " " << c.first.second.name;
      }
  }

  TEST(PortPairing, RepositoryIdsMatchExactlyAndBareNamesMatchTheirType)
  {
    EXPECT_TRUE(RTC::sameDataType("IDL:RTC/TimedString:1.0", "IDL:RTC/TimedString:1.0"));
    EXPECT_TRUE(RTC::sameDataType("IDL:RTC/TimedString:1.0", "TimedString"));
    EXPECT_TRUE(RTC::sameDataType("RTC::TimedString", "IDL:RTC/TimedString:1.0"));
    EXPECT_TRUE(RTC::sameDataType("RTC/TimedString", "IDL:RTC/TimedString:1.0"));
    EXPECT_FALSE(RTC::sameDataType("IDL:RTC/TimedString:1.0", "IDL:RTC/TimedLong:1.0"));
    EXPECT_FALSE(RTC::sameDataType("IDL:RTC/TimedString:1.0", "IDL:Other/TimedString:1.0"));
    EXPECT_FALSE(RTC::sameDataType("IDL:RTC/TimedString:1.0", "TimedLong"));
  }

  TEST(PortPairing, TheBareTypeNameDropsModuleAndVersion)
  {
    EXPECT_EQ(RTC::bareTypeName("IDL:RTC/TimedString:1.0"), "TimedString");
    EXPECT_EQ(RTC::bareTypeName("RTC::TimedLong"), "TimedLong");
    EXPECT_EQ(RTC::bareTypeName("TimedDouble"), "TimedDouble");
    EXPECT_EQ(RTC::bareTypeName("IDL:Outer/Inner/Pose:2.1"), "Pose");
  }
}

namespace
{
  TEST(ConnectorNames, PortsAreFoundByFullOrOwnNameWhereverTheDotsAre)
  {
    const std::vector<std::string> ports = {"Comp0.data.out", "Comp0.out", "Comp0.in",
                                            "my.comp0.time"};
    const struct
    {
      const char* wanted;
      int index;
    } cases[] = {{"Comp0.out", 1},   // as the port reports itself
                 {"out", 1},         // the shortest of those ending in ".out"
                 {"data.out", 0},    // a dot in the port name
                 {"time", 3},        // a dot in the instance name
                 {"n", -1},        {"Comp0", -1}, {"", -1}};
    for (const auto& one : cases)
      {
        EXPECT_EQ(one.index, RTC::findPortName(ports, one.wanted)) << one.wanted;
      }
  }

  TEST(ConnectorNames, NamedInTheOrderAskedUnlessANameIsGivenAndIdentifiedByFreshUuids)
  {
    EXPECT_EQ("C0.in:P0.out", RTC::connectorName(coil::Properties(), "C0.in", "P0.out"));
    for (const char* key : {"name", "dataport.name"})
      {
        coil::Properties given;
        given.setProperty(key, "mine");
        EXPECT_EQ("mine", RTC::connectorName(given, "C0.in", "P0.out")) << key;
      }
    const std::string id = RTC::newConnectorId();
    EXPECT_EQ(36u, id.size());
    EXPECT_EQ(std::string::npos, id.find_first_not_of("0123456789abcdef-")) << id;
    EXPECT_EQ('4', id[14]) << id;
    EXPECT_NE(id, RTC::newConnectorId());
  }
}
