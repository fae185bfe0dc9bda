#include "PayloadType.h"

#include <cstring>

namespace RTC
{
  namespace
  {
    // Where Fast DDS preallocates, a position line fits; longer samples are reallocated.
    const uint32_t kTypicalSize = 512;
  }

  PayloadType::PayloadType(const std::string& name)
  {
    setName(name.c_str());
    m_typeSize = kTypicalSize;
    m_isGetKeyDefined = false;
    // No type object: peers match by name, as ROS 2 and OpenRTM-aist do.
    auto_fill_type_object(false);
    auto_fill_type_information(false);
  }

  bool PayloadType::serialize(void* data, eprosima::fastrtps::rtps::SerializedPayload_t* payload)
  {
    const EncodedValue& bytes = *static_cast<const EncodedValue*>(data);
    if (payload->max_size < bytes.size()) { return false; }
    std::memcpy(payload->data, bytes.data(), bytes.size());
    payload->length = static_cast<uint32_t>(bytes.size());
    payload->encapsulation = bytes.size() > 1 && bytes[1] == 1 ? CDR_LE : CDR_BE;
    return true;
  }

  bool PayloadType::deserialize(eprosima::fastrtps::rtps::SerializedPayload_t* payload, void* data)
  {
    EncodedValue& bytes = *static_cast<EncodedValue*>(data);
    bytes.assign(payload->data, payload->data + payload->length);
    return true;
  }

  std::function<uint32_t()> PayloadType::getSerializedSizeProvider(void* data)
  {
    return [data]() { return static_cast<uint32_t>(static_cast<EncodedValue*>(data)->size()); };
  }

  void* PayloadType::createData()
  {
    return new EncodedValue();
  }

  void PayloadType::deleteData(void* data)
  {
    delete static_cast<EncodedValue*>(data);
  }

  bool PayloadType::getKey(void*, eprosima::fastrtps::rtps::InstanceHandle_t*, bool)
  {
    return false;
  }
}
