#pragma once
// The main window's drive display, kept out of the window so the window and
// the console show the same texts: refresh the selected drive, fill the
// fields, the gauge, the status picture and the drive buttons, and warn once
// per drive about a reported problem.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "drives/DriveHealth.h"
#include "drives/DriveTable.h"
#include "drives/DriveView.h"
#include "drives/PipeClient.h"

namespace velmora {

inline constexpr char kNewFirmwareSuffix[] = " (new version is available)";
inline constexpr char kOverTemperatureSuffix[] = " (over temperature threshold!)";

// What the window shows for one entry after a refresh that gave
// refreshResult.
struct DriveDisplay {
    std::array<std::string, kFieldCount> Fields;  // indexed by FieldId
    TemperatureColour Temperature = TemperatureColour::Normal;
    // Empty after a failed refresh: the gauge keeps its position.
    std::optional<std::int32_t> GaugePosition;

    [[nodiscard]] const std::string& Text(FieldId field) const { return Fields[static_cast<std::size_t>(field)]; }
};

// Identity fields always; value fields (those not -1), the temperature
// colour and the gauge only when refreshResult is 0.
[[nodiscard]] DriveDisplay DescribeDrive(const DriveInfo& drive, int refreshResult);

[[nodiscard]] std::string_view StatusPictureName(HealthStatus status);

class DrivePresenter {
public:
    // All three must outlive the presenter.
    DrivePresenter(DriveTable& table, PipeSystem& pipes, DriveView& view) noexcept
        : table_(table), pipes_(pipes), view_(view) {}

    // After an enumeration that found drives: select the first, light the
    // refresh button and show it.
    void ShowFirstDrive();

    // Refreshes SelectedDisk and shows it; nothing when DiskCount is 0.
    // Returns the refresh result (0 or -1), or -1 when there is no drive.
    [[nodiscard]] int ShowSelectedDrive();

    // Status picture of SelectedDisk and the images of the drive buttons.
    void ShowDriveStatus();

private:
    DriveTable& table_;
    PipeSystem& pipes_;
    DriveView& view_;
};

}  // namespace velmora
