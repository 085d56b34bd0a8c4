#include "drives/DriveSnapshot.h"

#include "drives/DriveHealth.h"
#include "drives/DrivePresenter.h"
#include "drives/RawReport.h"
#include "common/AnsiText.h"

namespace velmora {

namespace {
constexpr std::int32_t kUnknown = -1;
}  // namespace

history::DriveSample SnapshotDrive(const DriveInfo& drive, int refreshResult) {
    const bool refreshed = refreshResult == 0;
    const DriveDisplay display = DescribeDrive(drive, refreshed ? 0 : -1);
    // Values stay null after a failed refresh, as the window leaves them empty.
    auto value = [refreshed](std::int32_t v) {
        return refreshed && v != kUnknown ? std::optional<std::int64_t>(v) : std::nullopt;
    };

    history::DriveSample sample;
    history::DriveIdentity& id = sample.Drive;
    id.SerialNumber = AnsiToUtf8(drive.SerialNumber);
    id.Model = AnsiToUtf8(drive.Model);
    id.Firmware = AnsiToUtf8(display.Text(FieldId::Firmware));
    id.Interface = std::string(InterfaceText(drive.InterfaceType));
    id.CapacityGB = drive.CapacityGB;

    history::SampleValues& values = sample.Values;
    values.Refreshed = refreshed;
    values.PowerOnHours = value(drive.PowerOnHours);
    values.PowerCycles = value(drive.PowerCycles);
    values.MaxEraseCount = value(drive.MaxEraseCount);
    values.AvgEraseCount = value(drive.AvgEraseCount);
    values.GBWritten = value(drive.GBWritten);
    values.Temperature = value(drive.Temperature);
    values.OverTemperature = drive.OverTemperature != 0;
    if (display.GaugePosition) values.LifeMeter = *display.GaugePosition;
    values.Status = std::string(HealthStatusText(DriveStatus(drive)));
    return sample;
}

}  // namespace velmora
