#pragma once
// Builds STORAGE_DEVICE_DESCRIPTOR bytes as a device returns them: the fixed
// header with the string offsets and bus type, then the NUL-terminated
// strings. An absent string gets offset 0.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteOrder.h"

namespace velmora::fakes {

struct DescriptorFields {
    std::optional<std::string> ProductId;
    std::optional<std::string> ProductRevision;
    std::optional<std::string> SerialNumber;
    std::int32_t BusType = 0;
};

inline std::vector<std::uint8_t> BuildDescriptor(const DescriptorFields& fields) {
    constexpr std::size_t kHeaderSize = 36;  // through RawPropertiesLength, before RawDeviceProperties
    std::vector<std::uint8_t> bytes(kHeaderSize, 0);
    auto place = [&bytes](std::size_t offsetField, const std::optional<std::string>& text) {
        if (!text) return;
        StoreLe32(bytes, offsetField, static_cast<std::uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), text->begin(), text->end());
        bytes.push_back(0);
    };
    StoreLe32(bytes, 0, 1);  // Version
    place(16, fields.ProductId);
    place(20, fields.ProductRevision);
    place(24, fields.SerialNumber);
    StoreLe32(bytes, 28, static_cast<std::uint32_t>(fields.BusType));
    StoreLe32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));  // Size
    return bytes;
}

}  // namespace velmora::fakes
