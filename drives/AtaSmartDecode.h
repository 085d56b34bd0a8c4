#pragma once
// The ATA SMART data block as the service forwards it: a 2-byte revision,
// then 12-byte attribute entries. Which attributes the programs know, and how
// they are scaled, depends on the drive's firmware family.

#include <cstddef>
#include <cstdint>
#include <span>

#include "drives/DriveTable.h"
#include "common/PipeRecords.h"

namespace velmora {

inline constexpr std::size_t kAtaAttributeOffset = 2;
inline constexpr std::size_t kAtaAttributeSize = 12;

// DataLength as a count of bytes that really lie inside Data: a negative or
// oversized length from the wire is held to 0..PIPE_DATA_SIZE.
[[nodiscard]] std::size_t UsableDataLength(std::int32_t dataLength);

// DataLength div 12 on the usable length: 42 for a 512-byte block, never an
// entry that would leave Data.
[[nodiscard]] std::size_t AtaAttributeCount(std::int32_t dataLength);

// One 12-byte entry read field by field.
struct AtaAttribute {
    std::uint8_t Id = 0;
    std::uint16_t Flags = 0;
    std::uint8_t Current = 0;
    std::uint8_t Worst = 0;
    std::uint32_t Raw32 = 0;      // bytes 5-8, little-endian
    std::uint32_t RawHigh24 = 0;  // bytes 9-11, little-endian (byte 11 is the reserved byte)
    [[nodiscard]] std::uint8_t RawByte0() const { return static_cast<std::uint8_t>(Raw32 & 0xFF); }
};

// Entry number entry (0-based) of the block; entry must be below
// AtaAttributeCount(PIPE_DATA_SIZE).
[[nodiscard]] AtaAttribute ReadAtaAttribute(std::span<const std::uint8_t, PIPE_DATA_SIZE> data, std::size_t entry);

// Fills the SMART half of an entry already cleared by ClrSMART_Attr from a
// whole reply: the status flags, then the known attributes by family. A later
// entry with the same id overwrites an earlier one. Always 0.
[[nodiscard]] int DecodeAtaSmart(DriveInfo& drive, const PipeReply& reply);

}  // namespace velmora
