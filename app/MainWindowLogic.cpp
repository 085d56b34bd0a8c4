#include "app/MainWindowLogic.h"

#include <cstdio>

#include "drives/DriveEnumeration.h"
#include "drives/OsVersion.h"
#include "common/ErrorReport.h"

namespace velmora {

std::string MainWindowCaption(std::string_view appVersion) {
    std::string caption = kDesignCaption;
    caption += appVersion;
    return caption;
}

std::string ComSecurityFailedText(std::int32_t result) {
    char text[64];
    std::snprintf(text, sizeof text, kComSecurityFailedFormat, static_cast<int>(result));
    return text;
}

bool MainWindowLogic::CheckStartup(std::int32_t comSecurityResult, WmiSource& wmi) {
    if (comSecurityResult != 0) {
        view_.ShowMessage(MessageKind::Error, ComSecurityFailedText(comSecurityResult), MessageButton::Abort);
        return false;
    }
    switch (CheckOperatingSystem(wmi).Outcome) {
        case OsVersionOutcome::Accepted:
            return true;
        case OsVersionOutcome::Unsupported:
            view_.ShowMessage(MessageKind::Error, kUnsupportedOsText, MessageButton::Abort);
            return false;
        case OsVersionOutcome::QueryFailed:
        case OsVersionOutcome::VersionUnreadable:
            break;  // reported where it failed
    }
    return false;
}

void MainWindowLogic::FormShow(WmiSource& wmi, DeviceIo& devices) {
    view_.SetGaugeColour(kGaugeRed, kGaugeGreen, kGaugeBlue);
    if (EnumerateDrives(table_, wmi, devices, OSVersionPrefix) != 0) {
        ReportError(unit::Umain, kEnumerationFailedLine, 0);
        return;
    }
    if (table_.DiskCount() == 0) {
        view_.ShowMessage(MessageKind::Warning, kNoDriveFoundText, MessageButton::Abort);
        return;
    }
    presenter_.ShowFirstDrive();
    view_.StartFirstTickTimer();
}

void MainWindowLogic::DriveButtonMouseDown(int tag) const {
    if (tag >= table_.DiskCount()) throw SilentAbort{};
}

void MainWindowLogic::DriveButtonClick(int tag) {
    if (tag < 0 || tag >= table_.DiskCount()) return;
    table_.SetSelectedDisk(tag);
    ShowSelectedDrive();
}

void MainWindowLogic::RefreshClick() { ShowSelectedDrive(); }

void MainWindowLogic::ShowSelectedDrive() {
    // A failed refresh was reported where it failed and shows as empty fields.
    (void)presenter_.ShowSelectedDrive();
}

void MainWindowLogic::MenuCommandChosen(MenuCommand command) {
    switch (command) {
        case MenuCommand::Exit:
            view_.CloseWindow();
            return;
        case MenuCommand::RawSmartData:
            view_.OpenRawSmartWindow();
            return;
        case MenuCommand::HealthHistory:
            view_.OpenHealthHistoryWindow(table_.DiskCount() > 0 ? &table_[table_.SelectedDisk()] : nullptr);
            return;
        case MenuCommand::About:
            view_.OpenAboutWindow();
            return;
        case MenuCommand::License:
            view_.OpenLicenseWindow();
            return;
        case MenuCommand::AboutInstaller:
            view_.OpenInstallerLicenseWindow();
            return;
    }
}

}  // namespace velmora
