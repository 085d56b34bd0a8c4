#pragma once
// The table of up to 16 of the maker's drives: identity from the
// enumeration, SMART values from the last good refresh. Every int32 value
// uses -1 for "not available", which is never displayed.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

inline constexpr int kMaxDrives = 16;

struct DriveInfo {
    // Identity half.
    std::int32_t Index = 0;
    std::string DeviceID;
    std::string Model;             // at most 40 characters
    std::int32_t InterfaceType = 0;
    std::int32_t CapacityGB = 0;
    std::string SerialNumber;      // at most 20 characters
    std::string FirmwareRevision;  // at most 8 characters
    std::string NewFirmwareVersion;
    std::string PNPDeviceID;
    // SMART half.
    std::uint8_t SmartValid = 0;
    std::uint8_t Healthy = 0;
    std::uint8_t WarningShown = 0;
    std::int32_t AvgEraseCount = 0;
    std::int32_t MaxEraseCount = 0;
    std::int32_t GBWritten = 0;
    std::int32_t Temperature = 0;
    std::uint8_t OverTemperature = 0;
    std::int32_t PowerOnHours = 0;
    std::int32_t PowerCycles = 0;
    std::int32_t LifePercent = 0;
};

// The first two characters of FirmwareRevision, compared case-sensitively.
[[nodiscard]] std::string FirmwareFamily(const DriveInfo& drive);

class DriveTable {
public:
    // 0..15, else std::out_of_range("Index out of range! (operator[])").
    [[nodiscard]] DriveInfo& operator[](int index);
    [[nodiscard]] const DriveInfo& operator[](int index) const;

    [[nodiscard]] int DiskCount() const { return diskCount_; }
    // At most 16, else std::out_of_range("Index oit of range! (SetDisksCount)").
    void SetDisksCount(int count);

    [[nodiscard]] int SelectedDisk() const { return selectedDisk_; }
    // Below DiskCount, else std::out_of_range("Index out of range! (SetSelectedDisk)").
    void SetSelectedDisk(int index);

private:
    int diskCount_ = 0;
    int selectedDisk_ = 0;
    std::array<DriveInfo, kMaxDrives> entries_{};
};

}  // namespace velmora
