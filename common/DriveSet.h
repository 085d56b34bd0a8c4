#pragma once
// A drive set: the disks, WMI answers, storage descriptors and NVMe health
// logs that stand in for the machine's own when a program is told to use a
// drive-set file. Support engineers and tests write these files by hand:
//
//   ; comment ('#' too), as the first non-blank character of a line
//   [os]                    optional, at most once
//   Version=10.0.19045
//   [disk]                  one Win32_DiskDrive instance each, in file order
//   Index=0
//   ...
//
// Lines end in LF or CR LF. A section line is exactly "[os]" or "[disk]"; in
// a key line the key runs to the first '=' and the value is the rest of the
// line, verbatim. Keys are case-sensitive. Hex values are pairs of hex digits;
// blanks (space, tab) may separate the bytes but never split one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/StorageLayout.h"

namespace velmora {

struct DriveSetDisk {
    // Win32_DiskDrive cells, text exactly as written; absent keys are null cells.
    std::optional<std::string> Index;
    std::optional<std::string> DeviceID;
    std::optional<std::string> PNPDeviceID;
    std::optional<std::string> Model;
    std::optional<std::string> SerialNumber;
    std::optional<std::string> FirmwareRevision;
    std::optional<std::string> Size;
    // The storage device descriptor returned when DeviceID is opened.
    std::optional<std::uint8_t> BusType;
    std::optional<std::string> ProductId;
    std::optional<std::string> ProductRevision;
    std::optional<std::string> DescriptorSerial;
    // The storage driver's failure-prediction classes.
    std::optional<std::string> InstanceName;
    std::optional<bool> Active;
    std::optional<bool> PredictFailure;
    std::optional<std::vector<std::uint8_t>> VendorSpecific;
    // The NVMe SMART / Health Information log of "\\.\PhysicalDrive<Index>".
    std::optional<std::array<std::uint8_t, nvme_query::HealthLogSize>> HealthLog;

    // Whether opening DeviceID yields a descriptor.
    [[nodiscard]] bool HasDescriptor() const;
    // Whether the disk has a MSStorageDriver_FailurePredictStatus row.
    [[nodiscard]] bool HasPredictStatus() const { return Active.has_value() || PredictFailure.has_value(); }
    // InstanceName, else PNPDeviceID followed by "_0"; none without either.
    [[nodiscard]] std::optional<std::string> EffectiveInstanceName() const;
    // Index as a 32-bit decimal integer ("-" allowed), or none for other text.
    [[nodiscard]] std::optional<std::int32_t> NumericIndex() const;
};

struct DriveSetOs {
    std::optional<std::string> Version;
};

struct DriveSet {
    std::optional<DriveSetOs> Os;  // without it the machine's own OS class answers
    std::vector<DriveSetDisk> Disks;
    // A configured set whose file could not be read or parsed: the simulated
    // classes and devices then answer as on a machine that has none of them.
    bool Broken = false;
};

enum class DriveSetError {
    None,
    UnknownSection,     // a line starting with '[' that is not "[os]" or "[disk]"
    UnknownKey,         // also a line that is neither blank, comment, section nor key=value
    KeyOutsideSection,
    DuplicateKey,       // the same key twice in one section
    SecondOsSection,
    BadHex,             // odd number of digits in a byte group, or a non-hex character
    HealthLogSize,      // HealthLog is not exactly 512 bytes
    BadFlag,            // Active or PredictFailure other than "0" or "1"
    BadBusType,         // BusType not a decimal number in 0..255
};

struct DriveSetParseResult {
    DriveSet Set;                           // meaningful only when Error is None
    DriveSetError Error = DriveSetError::None;
    std::int32_t Line = 0;                  // 1-based line of the error
    [[nodiscard]] bool Ok() const { return Error == DriveSetError::None; }
};

// Parses a whole drive-set text. Linear in the text's length; any input is
// accepted and either parsed or rejected with the first bad line.
[[nodiscard]] DriveSetParseResult ParseDriveSet(std::string_view text);

}  // namespace velmora
