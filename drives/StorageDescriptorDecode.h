#pragma once
// Completing a drive's identity from the STORAGE_DEVICE_DESCRIPTOR that its
// own device object returns: product id, revision, serial number, bus type.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "drives/DriveTable.h"
#include "common/DeviceIo.h"
#include "common/StorageLayout.h"

namespace velmora {

// The standard device-descriptor query, and the buffer its answer goes to.
[[nodiscard]] std::array<std::uint8_t, property_query::Size> DeviceDescriptorQuery();
inline constexpr std::size_t kDescriptorBufferSize = 8192;

// ATA → PATA, SATA → SATA, NVMe → NVMe, USB → USB, anything else unknown.
[[nodiscard]] std::int32_t InterfaceTypeFromBusType(std::int32_t busType);

// The string at offset within the returned descriptor bytes, at most
// maxLength characters: hex-decoded when it reads as printable hex (blanks
// counting as '0'), else the plain text, which must be printable. Never reads
// past the descriptor: an offset outside it gives the empty text and a string
// without terminator ends at the descriptor's end.
[[nodiscard]] std::string DecodeDescriptorString(std::span<const std::uint8_t> descriptor, std::int32_t offset,
                                                 int maxLength);

// Opens the drive's DeviceID without access rights, asks for the standard
// device descriptor and replaces SerialNumber, Model and FirmwareRevision by
// descriptor strings whose first and third characters are letters or digits;
// sets InterfaceType from the bus type. True when a text field was replaced.
// An unopenable device or a failed query changes nothing and gives false.
[[nodiscard]] bool QueryStorageDescriptor(DriveInfo& drive, DeviceIo& io, std::string_view osVersionPrefix);

}  // namespace velmora
