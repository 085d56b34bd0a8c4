#pragma once
// A WMI source that answers the four classes the programs read from a drive
// set and passes every other query to the machine's own source:
//   root\cimv2  Win32_DiskDrive, Win32_OperatingSystem (only with [os])
//   root\WMI    MSStorageDriver_FailurePredictStatus, MSStorageDriver_FailurePredictData
// Namespace and class names compare without regard to letter case. A class
// with no rows, and every one of the four in a broken set, answers NoObject
// (-5) as Windows does for a class without instances.

#include <string_view>

#include "common/DriveSet.h"
#include "common/WmiSource.h"

namespace velmora {

inline constexpr char16_t kCimv2Namespace[] = u"root\\cimv2";
inline constexpr char16_t kWmiNamespace[] = u"root\\WMI";
inline constexpr char16_t kDiskDriveClass[] = u"Win32_DiskDrive";
inline constexpr char16_t kOperatingSystemClass[] = u"Win32_OperatingSystem";
inline constexpr char16_t kPredictStatusClass[] = u"MSStorageDriver_FailurePredictStatus";
inline constexpr char16_t kPredictDataClass[] = u"MSStorageDriver_FailurePredictData";

class SimulatedWmiSource final : public WmiSource {
public:
    // The fallback answers everything the set does not; it must outlive this.
    SimulatedWmiSource(DriveSet set, WmiSource& fallback);

    [[nodiscard]] int Execute(std::u16string_view nameSpace, std::u16string_view className,
                              WmiTable& table) override;

private:
    [[nodiscard]] int DiskDrives(WmiTable& table) const;
    [[nodiscard]] int OperatingSystem(WmiTable& table) const;
    [[nodiscard]] int PredictStatus(WmiTable& table) const;
    [[nodiscard]] int PredictData(WmiTable& table) const;

    DriveSet set_;
    WmiSource& fallback_;
};

}  // namespace velmora
