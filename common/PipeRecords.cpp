#include "common/PipeRecords.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"

namespace velmora {

RequestBytes PipeRequest::Encode() const {
    RequestBytes bytes{};
    StoreLe32(bytes, request_offset::DriveNumber, static_cast<std::uint32_t>(DriveNumber));
    StoreLe32(bytes, request_offset::InterfaceType, static_cast<std::uint32_t>(InterfaceType));
    const std::size_t length = std::min(InstanceName.size(), request_offset::InstanceNameSize - 1);
    std::memcpy(bytes.data() + request_offset::InstanceName, InstanceName.data(), length);
    return bytes;
}

PipeRequest PipeRequest::Decode(std::span<const std::uint8_t, PIPE_REQUEST_SIZE> bytes) {
    PipeRequest request;
    request.DriveNumber = LoadLeI32(bytes, request_offset::DriveNumber);
    request.InterfaceType = LoadLeI32(bytes, request_offset::InterfaceType);
    // Byte 519 counts as zero whatever arrived, so the text ends inside the record.
    const auto* text = reinterpret_cast<const char*>(bytes.data() + request_offset::InstanceName);
    const std::size_t limit = request_offset::InstanceNameSize - 1;
    request.InstanceName.assign(text, strnlen(text, limit));
    return request;
}

ReplyBytes PipeReply::Encode() const {
    ReplyBytes bytes{};
    StoreLe32(bytes, reply_offset::StatusValid, static_cast<std::uint32_t>(StatusValid));
    StoreLe32(bytes, reply_offset::Active, static_cast<std::uint32_t>(Active));
    StoreLe32(bytes, reply_offset::PredictFailure, static_cast<std::uint32_t>(PredictFailure));
    StoreLe32(bytes, reply_offset::DataValid, static_cast<std::uint32_t>(DataValid));
    StoreLe32(bytes, reply_offset::DataLength, static_cast<std::uint32_t>(DataLength));
    std::memcpy(bytes.data() + reply_offset::Data, Data.data(), PIPE_DATA_SIZE);
    bytes[reply_offset::Checksum] = Checksum;
    return bytes;
}

PipeReply PipeReply::Decode(std::span<const std::uint8_t, PIPE_REPLY_SIZE> bytes) {
    PipeReply reply;
    reply.StatusValid = LoadLeI32(bytes, reply_offset::StatusValid);
    reply.Active = LoadLeI32(bytes, reply_offset::Active);
    reply.PredictFailure = LoadLeI32(bytes, reply_offset::PredictFailure);
    reply.DataValid = LoadLeI32(bytes, reply_offset::DataValid);
    reply.DataLength = LoadLeI32(bytes, reply_offset::DataLength);
    std::memcpy(reply.Data.data(), bytes.data() + reply_offset::Data, PIPE_DATA_SIZE);
    reply.Checksum = bytes[reply_offset::Checksum];
    return reply;
}

namespace {
std::uint8_t Sum8(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return sum;
}
}  // namespace

std::uint8_t ComputeChecksum(const std::uint8_t* bytes, std::size_t count) {
    return static_cast<std::uint8_t>(0x100 - Sum8(bytes, count));
}

bool ReplyChecksumOk(const std::uint8_t* bytes, std::size_t count) { return Sum8(bytes, count) == 0; }

ReplyBytes SealReply(PipeReply reply) {
    reply.Checksum = 0;
    ReplyBytes bytes = reply.Encode();
    bytes[reply_offset::Checksum] = ComputeChecksum(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace velmora
