#pragma once
// Finding the maker's drives: every disk drive that WMI lists, completed
// from its storage descriptor, kept when both its model and its firmware
// revision carry one of the maker's tokens.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "drives/DriveTable.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora {

// Searched in the upper-cased model and firmware revision, in this order.
inline constexpr std::string_view kModelTokens[] = {
    "VELMORA",       "R730",           "W62",           "W38",         "LP415",
    "KESTRIN",       "LP520",          "LP630",         "KT_QMNVX_H71D", "KTW_QMNVX_H71F",
    "QMNVX_KESTPLU", "QMNVZ_H880J",    "QMNVZ_H880L",   "KTY_QMNVX_M56D",
};
inline constexpr std::string_view kFirmwareTokens[] = {"Q3RT", "Q5RT", "QCRT", "QDRT", "N2RT"};

// Shown when no drive of the maker was found: the window's box, the console's
// standard error.
inline constexpr char kNoDriveFoundText[] = "VELMORA SSD not found!";

inline constexpr std::size_t kModelMaxLength = 40;
inline constexpr std::size_t kSerialMaxLength = 20;
inline constexpr std::size_t kFirmwareMaxLength = 8;

// True when the upper-cased model holds a model token and the upper-cased
// firmware revision holds a firmware token, each anywhere.
[[nodiscard]] bool IsMakersDrive(std::string_view model, std::string_view firmwareRevision);

// Decimal gigabytes of a WMI Size text: parsed as a signed 64-bit integer (a
// bad text gives 0), divided by 1000 three times, low 32 bits kept.
[[nodiscard]] std::int32_t CapacityGBFromSize(std::string_view sizeText);

// The interface a firmware family implies: SATA for Q3, Q5, QC and QD, NVMe
// for N2, else unknown.
[[nodiscard]] std::int32_t InterfaceTypeFromFamily(const std::string& family);

// Fills the table with the maker's drives of "Win32_DiskDrive" in WMI order,
// at most 16. 0 on success; -1 after a failure reported under unit smart
// (the drives accepted before it stay in the table).
[[nodiscard]] int EnumerateDrives(DriveTable& table, WmiSource& wmi, DeviceIo& io, std::string_view osVersionPrefix);

}  // namespace velmora
