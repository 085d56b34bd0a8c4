#pragma once
// Builds the answers of the storage property query as a device returns them:
// STORAGE_DEVICE_DESCRIPTOR bytes (the fixed header with the string offsets
// and bus type, then the NUL-terminated strings; an absent string gets
// offset 0), and the NVMe health-log query buffer as the driver writes it back.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/ByteOrder.h"
#include "common/StorageLayout.h"

namespace velmora::fakes {

struct DescriptorFields {
    std::optional<std::string> ProductId;
    std::optional<std::string> ProductRevision;
    std::optional<std::string> SerialNumber;
    std::int32_t BusType = 0;
};

inline std::vector<std::uint8_t> BuildDescriptor(const DescriptorFields& fields) {
    namespace dd = device_descriptor;
    // The fixed part through RawPropertiesLength; the strings follow at once.
    std::vector<std::uint8_t> bytes(dd::RawDevicePropertiesOffset, 0);
    auto place = [&bytes](std::size_t offsetField, const std::optional<std::string>& text) {
        if (!text) return;
        StoreLe32(bytes, offsetField, static_cast<std::uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), text->begin(), text->end());
        bytes.push_back(0);
    };
    StoreLe32(bytes, dd::VersionOffset, 1);
    place(dd::ProductIdOffsetOffset, fields.ProductId);
    place(dd::ProductRevisionOffsetOffset, fields.ProductRevision);
    place(dd::SerialNumberOffsetOffset, fields.SerialNumber);
    StoreLe32(bytes, dd::BusTypeOffset, static_cast<std::uint32_t>(fields.BusType));
    StoreLe32(bytes, dd::SizeOffset, static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

// The fields of a STORAGE_PROTOCOL_DATA_DESCRIPTOR answer; the defaults are
// a well-formed health-log answer.
struct ProtocolAnswerFields {
    std::uint32_t Version = protocol_descriptor::Size;
    std::uint32_t Size = protocol_descriptor::Size;
    std::uint32_t DataOffset = protocol_descriptor::ProtocolBlockSize;  // from the protocol block
    std::uint32_t DataLength = nvme_query::HealthLogSize;
    std::uint8_t FirstLogByte = 1;
};

// A whole NVMe query buffer holding the answer: the descriptor, then from
// DataOffset on bytes that count up from FirstLogByte to the buffer's end.
inline std::vector<std::uint8_t> BuildProtocolAnswer(const ProtocolAnswerFields& fields) {
    namespace pd = protocol_descriptor;
    std::vector<std::uint8_t> bytes(nvme_query::BufferSize, 0);
    StoreLe32(bytes, pd::VersionOffset, fields.Version);
    StoreLe32(bytes, pd::SizeOffset, fields.Size);
    const auto block = std::span(bytes).subspan(nvme_query::ProtocolBlock, pd::ProtocolBlockSize);
    StoreLe32(block, pd::ProtocolTypeOffset, pd::ProtocolTypeNvme);
    StoreLe32(block, pd::DataOffsetOffset, fields.DataOffset);
    StoreLe32(block, pd::DataLengthOffset, fields.DataLength);
    std::uint8_t next = fields.FirstLogByte;
    for (std::size_t i = nvme_query::ProtocolBlock + fields.DataOffset; i < bytes.size(); ++i) bytes[i] = next++;
    return bytes;
}

}  // namespace velmora::fakes
