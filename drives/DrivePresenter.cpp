#include "drives/DrivePresenter.h"

#include <cstdio>

#include "drives/SmartRefresh.h"

namespace velmora {

namespace {

constexpr std::int32_t kUnknown = -1;

void SetValue(DriveDisplay& display, FieldId field, std::int32_t value) {
    if (value != kUnknown) display.Fields[static_cast<std::size_t>(field)] = std::to_string(value);
}

}  // namespace

DriveDisplay DescribeDrive(const DriveInfo& drive, int refreshResult) {
    DriveDisplay display;
    auto& fields = display.Fields;
    fields[static_cast<std::size_t>(FieldId::Model)] = drive.Model;
    char capacity[32];
    std::snprintf(capacity, sizeof capacity, "%dGB", static_cast<int>(drive.CapacityGB));
    fields[static_cast<std::size_t>(FieldId::Capacity)] = capacity;
    fields[static_cast<std::size_t>(FieldId::SerialNumber)] = drive.SerialNumber;
    std::string firmware = drive.FirmwareRevision;
    if (!drive.NewFirmwareVersion.empty()) firmware += kNewFirmwareSuffix;
    fields[static_cast<std::size_t>(FieldId::Firmware)] = std::move(firmware);

    if (refreshResult != 0) return display;

    SetValue(display, FieldId::PowerOnHours, drive.PowerOnHours);
    SetValue(display, FieldId::PowerCycles, drive.PowerCycles);
    SetValue(display, FieldId::MaxEraseCount, drive.MaxEraseCount);
    SetValue(display, FieldId::AvgEraseCount, drive.AvgEraseCount);
    SetValue(display, FieldId::Temperature, drive.Temperature);
    if (drive.Temperature != kUnknown && drive.OverTemperature != 0) {
        fields[static_cast<std::size_t>(FieldId::Temperature)] += kOverTemperatureSuffix;
        display.Temperature = TemperatureColour::Red;
    }
    SetValue(display, FieldId::GBWritten, drive.GBWritten);
    display.GaugePosition = LifeMeterValue(drive);
    return display;
}

std::string_view StatusPictureName(HealthStatus status) {
    switch (status) {
        case HealthStatus::OK:
            return kStatusPictureOk;
        case HealthStatus::BAD:
            return kStatusPictureBad;
        case HealthStatus::UNKNOWN:
            break;
    }
    return kStatusPictureUnknown;
}

void DrivePresenter::ShowFirstDrive() {
    table_.SetSelectedDisk(0);
    view_.SetRefreshButtonImage(toolbar_image::RefreshActive);
    (void)ShowSelectedDrive();  // a failed refresh has been reported and is shown as empty fields
}

int DrivePresenter::ShowSelectedDrive() {
    if (table_.DiskCount() == 0) return -1;
    // The entry refreshed here is the one warned about below, even if the
    // messages processed in between select another drive.
    const int index = table_.SelectedDisk();
    const int result = RefreshDriveSmart(table_, index, pipes_);
    DriveInfo& drive = table_[index];

    const DriveDisplay display = DescribeDrive(drive, result);
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        view_.SetFieldText(static_cast<FieldId>(field), display.Fields[field]);
    }
    view_.SetTemperatureColour(display.Temperature);
    if (display.GaugePosition) view_.SetGaugePosition(*display.GaugePosition);

    ShowDriveStatus();
    view_.ProcessPendingMessages();

    if (drive.SmartValid == 1 && drive.Healthy == 0 && drive.WarningShown == 0) {
        drive.WarningShown = 1;
        view_.ShowWarning(kParameterWarningText);
    }
    return result;
}

void DrivePresenter::ShowDriveStatus() {
    const DriveInfo& drive = table_[table_.SelectedDisk()];
    view_.SetStatusPicture(StatusPictureName(DriveStatus(drive)));
    for (int button = 0; button < kDriveButtonCount; ++button) {
        if (button < table_.DiskCount()) view_.SetDriveButtonImage(button, toolbar_image::DrivePresent);
    }
    if (table_.SelectedDisk() < kDriveButtonCount) {
        view_.SetDriveButtonImage(table_.SelectedDisk(), toolbar_image::DriveShown);
    }
}

}  // namespace velmora
