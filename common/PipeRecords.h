#pragma once
// The one contract between the service and the toolbox: the pipe's name and
// the two fixed-size records exchanged on it, one exchange per connection.
// All integers are 32-bit signed little-endian; records are packed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmora {

inline constexpr char kPipeName[] = "\\\\.\\pipe\\smart_velmora";
inline constexpr std::uint32_t kPipeDefaultTimeoutMs = 5000;
// How long each step of an exchange may take on either side: the service's
// reading of the request and writing of the reply, the client's reading of
// the reply. A peer that stops answering costs at most this long.
inline constexpr std::uint32_t kPipeStepTimeoutMs = 2000;

inline constexpr std::size_t PIPE_REQUEST_SIZE = 520;
inline constexpr std::size_t PIPE_REPLY_SIZE = 4117;
inline constexpr std::size_t PIPE_DATA_SIZE = 4096;

// InterfaceType codes, shared by the drive table and the request.
inline constexpr std::int32_t kInterfaceUnknown = 0;
inline constexpr std::int32_t kInterfaceSata = 1;
inline constexpr std::int32_t kInterfaceNvme = 2;
inline constexpr std::int32_t kInterfacePata = 3;
inline constexpr std::int32_t kInterfaceUsb = 4;

namespace request_offset {
inline constexpr std::size_t DriveNumber = 0;
inline constexpr std::size_t InterfaceType = 4;
inline constexpr std::size_t InstanceName = 8;
inline constexpr std::size_t InstanceNameSize = 512;
}  // namespace request_offset
static_assert(request_offset::InstanceName + request_offset::InstanceNameSize == PIPE_REQUEST_SIZE);

namespace reply_offset {
inline constexpr std::size_t StatusValid = 0;
inline constexpr std::size_t Active = 4;
inline constexpr std::size_t PredictFailure = 8;
inline constexpr std::size_t DataValid = 12;
inline constexpr std::size_t DataLength = 16;
inline constexpr std::size_t Data = 20;
inline constexpr std::size_t Checksum = 4116;
}  // namespace reply_offset
static_assert(reply_offset::Data + PIPE_DATA_SIZE + 1 == PIPE_REPLY_SIZE);
static_assert(reply_offset::Checksum == PIPE_REPLY_SIZE - 1);

using RequestBytes = std::array<std::uint8_t, PIPE_REQUEST_SIZE>;
using ReplyBytes = std::array<std::uint8_t, PIPE_REPLY_SIZE>;

struct PipeRequest {
    std::int32_t DriveNumber = 0;
    std::int32_t InterfaceType = 0;
    std::string InstanceName;  // ANSI text; at most 511 characters go on the wire

    // All bytes after the text are zero; a longer text is cut to 511 characters.
    [[nodiscard]] RequestBytes Encode() const;
    // Forces byte 519 to zero and takes the text up to its first NUL.
    [[nodiscard]] static PipeRequest Decode(std::span<const std::uint8_t, PIPE_REQUEST_SIZE> bytes);
};

struct PipeReply {
    std::int32_t StatusValid = 0;
    std::int32_t Active = 0;
    std::int32_t PredictFailure = 0;
    std::int32_t DataValid = 0;
    std::int32_t DataLength = 0;
    std::array<std::uint8_t, PIPE_DATA_SIZE> Data{};
    std::uint8_t Checksum = 0;

    // Writes the fields as they stand, Checksum included.
    [[nodiscard]] ReplyBytes Encode() const;
    [[nodiscard]] static PipeReply Decode(std::span<const std::uint8_t, PIPE_REPLY_SIZE> bytes);
};

// Two's complement of the 8-bit wrap-around sum of the bytes.
[[nodiscard]] std::uint8_t ComputeChecksum(const std::uint8_t* bytes, std::size_t count);
// True when the 8-bit wrap-around sum of the bytes is zero.
[[nodiscard]] bool ReplyChecksumOk(const std::uint8_t* bytes, std::size_t count);

// Sets Checksum so that the encoded reply sums to zero and returns the bytes.
[[nodiscard]] ReplyBytes SealReply(PipeReply reply);

}  // namespace velmora
