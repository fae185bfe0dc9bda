// What a connection between two data ports may ask for, and the one wording of each refusal.
// The manager's own connects, a port asked to connect from another process and rtctl all judge
// by these rules, so whichever of them refuses, the operator reads the same words.
#ifndef RTM_RULES_CONNECTORRULES_H
#define RTM_RULES_CONNECTORRULES_H

#include <coil/Properties.h>
#include <rtm/PortConnection.h>

#include <string>
#include <vector>

namespace RTC
{
  // ---- connector properties

  // "KEY must be WHAT, got 'VALUE'" (or "none given") into `refusal`: every property refusal
  // reads this way. Returns false.
  bool refuse(const std::string& key, const std::string& what, const std::string& value,
              std::string& refusal);

  // "buffer.length" -> "dataport.buffer.length"; a key that has the prefix stays as it is.
  std::string dataportKey(const std::string& key);

  // The value of connector property `key` (named without the prefix), trimmed, whether it is
  // given with or without "dataport."; the prefixed key wins. `fallback` when neither is there.
  std::string connectorValue(const coil::Properties& properties, const std::string& key,
                             const std::string& fallback = std::string());

  // The properties to send to a port for what an operator or rtc.conf asked: every key with the
  // prefix, "name" left out (it names the connector profile), and push data flow over corba_cdr
  // with flush subscription unless given otherwise.
  coil::Properties connectorProperties(const coil::Properties& given);

  // What a connector asks for, once the rules have taken it.
  struct ConnectorTerms
  {
    ConnectionSettings settings;   // buffer terms; id, name and ports are the caller's
    bool littleEndian = true;      // serializer.cdr.endian: the first byte order listed
  };

  // One rule per property: true when `value` is taken, else false with the refusal's words.
  // Words compare without case; an empty value is refused (a property not given at all takes
  // its default before the rule sees it).
  bool checkBufferLength(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  // overwrite, do_nothing or block (the writer waits up to buffer.write.timeout for room).
  bool checkFullPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  // readback, do_nothing or block (read() waits up to buffer.read.timeout for a value).
  bool checkEmptyPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  // A time-out `key` in seconds, fractions allowed.
  bool checkTimeout(const std::string& key, const std::string& value, double& seconds,
                    std::string& refusal);
  // corba_cdr, or kTopicInterface: a port that joins a DDS topic (TopicRules.h).
  bool checkInterfaceType(const std::string& value, std::string& refusal);
  extern const char* const kTopicInterface;
  // push (the writer puts each value into the reader) or pull (the reader gets each value from
  // the writer's queue).
  bool checkDataflowType(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  bool checkByteOrder(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  // How the writer delivers: flush (write() delivers before it returns) or new (a publisher
  // thread per connection delivers). Only the writer's end judges it and the push policy; a
  // reader takes whatever its writer does (an OpenRTM-aist writer knows more kinds).
  bool checkSubscriptionType(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  // What a `new` publisher sends: all or fifo (every value, in order, while its buffer holds
  // them), skip (every publisher.skip_count + 1-th value) or new (the newest only).
  bool checkPushPolicy(const std::string& value, ConnectorTerms& terms, std::string& refusal);
  bool checkSkipCount(const std::string& value, ConnectorTerms& terms, std::string& refusal);

  enum class ConnectorEnd
  {
    Writer,
    Reader,
    Both   // both ends in this process: the reader's buffer, every stamping step
  };

  // on_write, on_send, on_received or on_read; `end` keeps only the steps it stamps at.
  bool checkTimestampPolicy(const std::string& value, ConnectorEnd end, ConnectorTerms& terms,
                            std::string& refusal);

  // What the port at `end` reads: every key with the prefix, with the end's own keys
  // (dataport.outport.* or dataport.inport.*, both for Both, inport winning) over them.
  coil::Properties endProperties(const coil::Properties& properties, ConnectorEnd end);

  // The buffer rules alone, for either end's keys (the terms are those of Both). OpenRTM-aist's
  // ports take another value silently as their default, so rtctl applies these before it asks
  // a port of any middleware.
  bool readBufferTerms(const coil::Properties& properties, ConnectorTerms& terms,
                       std::string& refusal);
  // Every property rule that our port at `end` applies to its endProperties, in a fixed order:
  // interface type, data flow, subscription, push policy and skip count (writer only), byte
  // order, time stamp policy, buffer.
  bool readConnectorTerms(const coil::Properties& properties, ConnectorEnd end,
                          ConnectorTerms& terms, std::string& refusal);

  // ---- port pairing

  // The port.port_type of an out port and of an in port.
  extern const char* const kOutPortType;
  extern const char* const kInPortType;

  struct PortFacts
  {
    std::string name;       // as the refusal names it
    std::string portType;   // port.port_type: DataOutPort, DataInPort, or another kind
    std::string dataType;   // dataport.data_type; empty when the port does not say
  };

  // Whether two ports carry the same data type. OpenRTM-aist reports repository ids
  // ("IDL:RTC/TimedString:1.0"); older components report the bare type name ("TimedString").
  bool sameDataType(const std::string& a, const std::string& b);
  // The type's own name, without module or version: "IDL:RTC/TimedString:1.0" -> "TimedString".
  std::string bareTypeName(const std::string& dataType);
  // Types that a port does not report (empty) are not refused: the port itself judges.
  bool checkDataTypes(const std::string& a, const std::string& b, std::string& refusal);
  // Two data ports, one out and one in, of the same data type.
  bool checkPairing(const PortFacts& a, const PortFacts& b, std::string& refusal);
  // "is not a data port (PORT TYPE)", the words for a port that carries no data.
  std::string notADataPort(const std::string& portType);

  // ---- reporting

  // "cannot connect A and B: REFUSAL", as the manager and rtctl report a refused connection.
  std::string cannotConnect(const std::string& a, const std::string& b, const std::string& refusal);
  // "C has no port 'p' (its ports: a, b)": `ports` are the short names, "none" when empty.
  std::string noSuchPort(const std::string& component, const std::string& port,
                         const std::vector<std::string>& ports);

  // The connector property in which a port of ours names why it refused a connection: the
  // profile, passed in and out along the ports, carries it back to whoever asked.
  extern const char* const kRefusalKey;
  // What to report when the ports refused with `code`: the reason a port named, or, from ports
  // that name none (OpenRTM-aist's), "the ports refused (CODE)".
  std::string portsRefused(const std::string& code, const std::string& reason);
}

#endif
