#include "ConnectorRules.h"

#include "TextUtil.h"

#include <cstdlib>

namespace RTC
{
  namespace
  {
    const std::string kPrefix = "dataport.";

    // "IDL:RTC/TimedString:1.0" -> "RTC/TimedString"; a bare name stays as it is.
    std::string typeName(const std::string& dataType)
    {
      std::string name = dataType;
      if (name.compare(0, 4, "IDL:") == 0)
        {
          name = name.substr(4);
          const std::string::size_type version = name.rfind(':');
          if (version != std::string::npos) { name.resize(version); }
        }
      std::string::size_type scope;
      while ((scope = name.find("::")) != std::string::npos) { name.replace(scope, 2, "/"); }
      return name;
    }

    std::string lastSegment(const std::string& name)
    {
      const std::string::size_type slash = name.rfind('/');
      return slash == std::string::npos ? name : name.substr(slash + 1);
    }
  }

  bool refuse(const std::string& key, const std::string& what, const std::string& value,
              std::string& refusal)
  {
    refusal = key + " must be " + what + ", " +
              (value.empty() ? std::string("none given") : "got '" + value + "'");
    return false;
  }

  std::string dataportKey(const std::string& key)
  {
    return key.compare(0, kPrefix.size(), kPrefix) == 0 ? key : kPrefix + key;
  }

  namespace
  {
    bool isGiven(const coil::Properties& properties, const std::string& key)
    {
      return properties.hasKey(dataportKey(key)) || properties.hasKey(key);
    }
  }

  std::string connectorValue(const coil::Properties& properties, const std::string& key,
                             const std::string& fallback)
  {
    if (!isGiven(properties, key)) { return fallback; }
    const std::string full = dataportKey(key);
    return trim(properties.getProperty(properties.hasKey(full) ? full : key));
  }

  coil::Properties connectorProperties(const coil::Properties& given)
  {
    coil::Properties connector;
    connector.setProperty("dataport.dataflow_type", "push");
    connector.setProperty("dataport.interface_type", "corba_cdr");
    connector.setProperty("dataport.subscription_type", "flush");
    // Plain keys first, so that a prefixed one given as well wins.
    for (const bool prefixed : {false, true})
      {
        for (const std::string& key : given.propertyNames())
          {
            if (key == "name" || (dataportKey(key) == key) != prefixed) { continue; }
            connector.setProperty(dataportKey(key), given.getProperty(key));
          }
      }
    return connector;
  }

  bool checkBufferLength(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    char* end = nullptr;
    const long length = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || length < 1 || length > 1000000)
      {
        return refuse("buffer.length", "a number from 1 to 1000000", value, refusal);
      }
    terms.settings.bufferLength = static_cast<std::size_t>(length);
    return true;
  }

  bool checkFullPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    const std::string policy = toLower(value);
    terms.settings.overwriteWhenFull = policy == "overwrite";
    terms.settings.blockWhenFull = policy == "block";
    if (policy != "overwrite" && policy != "do_nothing" && policy != "block")
      {
        return refuse("buffer.write.full_policy", "overwrite, do_nothing or block", value, refusal);
      }
    return true;
  }

  bool checkEmptyPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    const std::string policy = toLower(value);
    terms.settings.blockWhenEmpty = policy == "block";
    if (policy != "readback" && policy != "do_nothing" && policy != "block")
      {
        return refuse("buffer.read.empty_policy", "readback, do_nothing or block", value, refusal);
      }
    return true;
  }

  bool checkTimeout(const std::string& key, const std::string& value, double& seconds,
                    std::string& refusal)
  {
    char* end = nullptr;
    const double given = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(given >= 0.0 && given <= 3600.0))
      {
        return refuse(key, "a number of seconds from 0 to 3600", value, refusal);
      }
    seconds = given;
    return true;
  }

  bool checkInterfaceType(const std::string& value, std::string& refusal)
  {
    const std::string type = toLower(value);
    if (type == "corba_cdr" || type == kTopicInterface) { return true; }
    return refuse("interface_type", std::string("corba_cdr or ") + kTopicInterface, value, refusal);
  }

  bool checkDataflowType(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    const std::string flow = toLower(value);
    terms.settings.pull = flow == "pull";
    if (flow == "push" || flow == "pull") { return true; }
    return refuse("dataflow_type", "push or pull", value, refusal);
  }

  bool checkByteOrder(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    // A list of the orders the writer can use, the preferred first.
    const std::vector<std::string> orders = split(value, ',');
    const std::string first = orders.empty() ? std::string() : toLower(orders.front());
    if (first != "little" && first != "big")
      {
        return refuse("serializer.cdr.endian", "little or big", value, refusal);
      }
    terms.littleEndian = first == "little";
    return true;
  }

  bool checkSubscriptionType(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    const std::string subscription = toLower(value);
    if (subscription == "flush") { terms.settings.publisherThread = false; }
    else if (subscription == "new") { terms.settings.publisherThread = true; }
    else { return refuse("subscription_type", "flush or new", value, refusal); }
    return true;
  }

  bool checkPushPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    const std::string policy = toLower(value);
    if (policy == "all") { terms.settings.pushPolicy = PushPolicy::All; }
    else if (policy == "fifo") { terms.settings.pushPolicy = PushPolicy::Fifo; }
    else if (policy == "skip") { terms.settings.pushPolicy = PushPolicy::Skip; }
    else if (policy == "new") { terms.settings.pushPolicy = PushPolicy::New; }
    else { return refuse("publisher.push_policy", "all, fifo, skip or new", value, refusal); }
    return true;
  }

  bool checkSkipCount(const std::string& value, ConnectorTerms& terms, std::string& refusal)
  {
    char* end = nullptr;
    const long count = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || count < 0 || count > 1000000)
      {
        return refuse("publisher.skip_count", "a number from 0 to 1000000", value, refusal);
      }
    terms.settings.skipCount = static_cast<unsigned>(count);
    return true;
  }

  bool checkTimestampPolicy(const std::string& value, ConnectorEnd end, ConnectorTerms& terms,
                            std::string& refusal)
  {
    const std::string policy = toLower(value);
    const bool writerStep = policy == "on_write" || policy == "on_send";
    const bool readerStep = policy == "on_received" || policy == "on_read";
    if (!policy.empty() && !writerStep && !readerStep)
      {
        return refuse("timestamp_policy", "on_write, on_send, on_received or on_read", value,
                      refusal);
      }
    // Each end stamps at its own steps only; the other end's step is no concern of it.
    const bool ours = end == ConnectorEnd::Both || (end == ConnectorEnd::Writer && writerStep) ||
                      (end == ConnectorEnd::Reader && readerStep);
    StampStep step = StampStep::Never;
    if (policy == "on_write") { step = StampStep::OnWrite; }
    else if (policy == "on_send") { step = StampStep::OnSend; }
    else if (policy == "on_received") { step = StampStep::OnReceived; }
    else if (policy == "on_read") { step = StampStep::OnRead; }
    terms.settings.stampAt = ours ? step : StampStep::Never;
    return true;
  }

  coil::Properties endProperties(const coil::Properties& properties, ConnectorEnd end)
  {
    // OpenRTM-aist's ports read dataport.inport.* (in) and dataport.outport.* (out) over
    // dataport.*; RT System Editor writes buffer settings there.
    coil::Properties own;
    // Plain keys first, so that a prefixed one given as well wins.
    for (const bool prefixed : {false, true})
      {
        for (const std::string& key : properties.propertyNames())
          {
            if ((dataportKey(key) == key) != prefixed) { continue; }
            own.setProperty(dataportKey(key), properties.getProperty(key));
          }
      }
    std::vector<std::string> nodes;
    if (end != ConnectorEnd::Reader) { nodes.push_back("dataport.outport."); }
    if (end != ConnectorEnd::Writer) { nodes.push_back("dataport.inport."); }
    for (const std::string& node : nodes)
      {
        for (const std::string& key : properties.propertyNames())
          {
            if (key.compare(0, node.size(), node) != 0) { continue; }
            own.setProperty(kPrefix + key.substr(node.size()), properties.getProperty(key));
          }
      }
    return own;
  }

  namespace
  {
    // Checks `key` with `rule` when it is given; not given, the default stays.
    template <typename Rule>
    bool ifGiven(const coil::Properties& properties, const std::string& key, Rule rule)
    {
      return !isGiven(properties, key) || rule(connectorValue(properties, key));
    }

    bool readOwnBufferTerms(const coil::Properties& properties, ConnectorTerms& terms,
                            std::string& refusal)
    {
      ConnectionSettings& settings = terms.settings;
      return ifGiven(properties, "buffer.length",
                     [&](const std::string& v) { return checkBufferLength(v, terms, refusal); }) &&
             ifGiven(properties, "buffer.write.full_policy",
                     [&](const std::string& v) { return checkFullPolicy(v, terms, refusal); }) &&
             ifGiven(properties, "buffer.write.timeout",
                     [&](const std::string& v) {
                       return checkTimeout("buffer.write.timeout", v, settings.writeTimeout,
                                           refusal);
                     }) &&
             ifGiven(properties, "buffer.read.empty_policy",
                     [&](const std::string& v) { return checkEmptyPolicy(v, terms, refusal); }) &&
             ifGiven(properties, "buffer.read.timeout", [&](const std::string& v) {
               return checkTimeout("buffer.read.timeout", v, settings.readTimeout, refusal);
             });
    }
  }

  bool readBufferTerms(const coil::Properties& properties, ConnectorTerms& terms,
                       std::string& refusal)
  {
    // Either end's own keys may be wrong: judge what each end will read.
    ConnectorTerms writer;
    ConnectorTerms reader;
    return readOwnBufferTerms(endProperties(properties, ConnectorEnd::Writer), writer, refusal) &&
           readOwnBufferTerms(endProperties(properties, ConnectorEnd::Both), terms, refusal) &&
           readOwnBufferTerms(endProperties(properties, ConnectorEnd::Reader), reader, refusal);
  }

  bool readConnectorTerms(const coil::Properties& given, ConnectorEnd end, ConnectorTerms& terms,
                          std::string& refusal)
  {
    const coil::Properties properties = endProperties(given, end);
    const bool writes = end != ConnectorEnd::Reader;
    // The interface type has no default: OpenRTM-aist's ports too refuse a connector that does
    // not name its transport.
    return checkInterfaceType(connectorValue(properties, "interface_type"), refusal) &&
           checkDataflowType(connectorValue(properties, "dataflow_type", "push"), terms, refusal) &&
           (!writes ||
            (checkSubscriptionType(connectorValue(properties, "subscription_type", "flush"), terms,
                                   refusal) &&
             checkPushPolicy(connectorValue(properties, "publisher.push_policy", "new"), terms,
                             refusal) &&
             checkSkipCount(connectorValue(properties, "publisher.skip_count", "0"), terms,
                            refusal))) &&
           checkByteOrder(connectorValue(properties, "serializer.cdr.endian", "little"), terms,
                          refusal) &&
           checkTimestampPolicy(connectorValue(properties, "timestamp_policy"), end, terms,
                                refusal) &&
           readOwnBufferTerms(properties, terms, refusal);
  }

  bool sameDataType(const std::string& a, const std::string& b)
  {
    const std::string left = typeName(a);
    const std::string right = typeName(b);
    if (left == right) { return true; }
    // Only a name without its module may match any module's type of that name.
    const bool leftBare = left.find('/') == std::string::npos;
    const bool rightBare = right.find('/') == std::string::npos;
    return (leftBare || rightBare) && leftBare != rightBare &&
           lastSegment(left) == lastSegment(right);
  }

  std::string bareTypeName(const std::string& dataType)
  {
    return lastSegment(typeName(dataType));
  }

  const char* const kOutPortType = "DataOutPort";
  const char* const kInPortType = "DataInPort";

  bool checkDataTypes(const std::string& a, const std::string& b, std::string& refusal)
  {
    if (a.empty() || b.empty() || sameDataType(a, b)) { return true; }
    refusal = "data types differ (" + a + " and " + b + ")";
    return false;
  }

  bool checkPairing(const PortFacts& a, const PortFacts& b, std::string& refusal)
  {
    for (const PortFacts* port : {&a, &b})
      {
        if (port->portType != kOutPortType && port->portType != kInPortType)
          {
            refusal = port->name + " " + notADataPort(port->portType);
            return false;
          }
      }
    if (a.portType == b.portType)
      {
        refusal = std::string("both are ") + (a.portType == kOutPortType ? "out" : "in") + " ports";
        return false;
      }
    return checkDataTypes(a.dataType, b.dataType, refusal);
  }

  std::string notADataPort(const std::string& portType)
  {
    return "is not a data port (" + (portType.empty() ? std::string("no port type") : portType) +
           ")";
  }

  std::string cannotConnect(const std::string& a, const std::string& b, const std::string& refusal)
  {
    return "cannot connect " + a + " and " + b + ": " + refusal;
  }

  std::string noSuchPort(const std::string& component, const std::string& port,
                         const std::vector<std::string>& ports)
  {
    std::string names;
    for (const std::string& name : ports) { names += (names.empty() ? "" : ", ") + name; }
    return component + " has no port '" + port +
           "' (its ports: " + (names.empty() ? std::string("none") : names) + ")";
  }

  const char* const kTopicInterface = "fast-rtps";

  // Our own key, beside OpenRTM-aist's, which ignore it.
  const char* const kRefusalKey = "dataport.inkorvane.refusal";

  std::string portsRefused(const std::string& code, const std::string& reason)
  {
    return reason.empty() ? "the ports refused (" + code + ")" : reason;
  }
}
