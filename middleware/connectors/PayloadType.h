// A DDS type whose samples are already-serialized payloads (encapsulation header included):
// TopicPayload.h makes the bytes, so one type serves every marshaling under its own name.
#ifndef RTM_CONNECTORS_PAYLOADTYPE_H
#define RTM_CONNECTORS_PAYLOADTYPE_H

#include <rtm/CdrCodec.h>

#include <fastdds/dds/topic/TopicDataType.hpp>

#include <string>

namespace RTC
{
  class PayloadType : public eprosima::fastdds::dds::TopicDataType
  {
  public:
    // Samples are EncodedValue objects.
    explicit PayloadType(const std::string& name);

    bool serialize(void* data, eprosima::fastrtps::rtps::SerializedPayload_t* payload) override;
    bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t* payload, void* data) override;
    std::function<uint32_t()> getSerializedSizeProvider(void* data) override;
    void* createData() override;
    void deleteData(void* data) override;
    bool getKey(void* data, eprosima::fastrtps::rtps::InstanceHandle_t* handle,
                bool forceMd5) override;
  };
}

#endif
