#pragma once
// The main window's decisions, kept apart from the window so they can be
// tested without one: the start-up checks, the first showing, the drive and
// refresh buttons and the menu commands outside "&Updates" (those and the
// first tick's work are update::UpdateFlow's). The window forwards its events
// here and draws what it is told through MainWindowView; the drive display
// itself is the shared DrivePresenter's.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/MessageKindAndButton.h"
#include "app/SilentAbort.h"
#include "drives/DrivePresenter.h"
#include "drives/DriveTable.h"
#include "drives/DriveView.h"
#include "drives/PipeClient.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora {

// The design caption keeps its trailing blank: the version follows it.
inline constexpr char kDesignCaption[] = "VELMORA SSD Toolbox ";
inline constexpr char kComSecurityFailedFormat[] = "Can't initialize COM obj security (%d) !";

// The first showing's enumeration failure, reported under unit Umain.
inline constexpr int kEnumerationFailedLine = 210;

// The life meter's bar colour, set at first showing.
inline constexpr std::uint8_t kGaugeRed = 0;
inline constexpr std::uint8_t kGaugeGreen = 120;
inline constexpr std::uint8_t kGaugeBlue = 188;

enum class MenuCommand {
    Exit,
    RawSmartData,
    HealthHistory,
    About,
    License,
    AboutInstaller,
};

// What the window does for the logic beyond the drive display.
class MainWindowView : public DriveView {
public:
    // A modal box of the kind with exactly the one button.
    virtual void ShowMessage(MessageKind kind, std::string_view text, MessageButton button) = 0;
    virtual void SetGaugeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) = 0;
    // The one-shot timer whose tick starts the update side (UpdateFlow::FirstTick).
    virtual void StartFirstTickTimer() = 0;
    // Closes the main window, which ends the program.
    virtual void CloseWindow() = 0;
    // Each opens its window modally, owned by the main window, and destroys
    // it when it closes.
    virtual void OpenRawSmartWindow() = 0;
    // The health watch's history of the drive shown; none when no drive is.
    virtual void OpenHealthHistoryWindow(const DriveInfo* shownDrive) = 0;
    virtual void OpenAboutWindow() = 0;
    virtual void OpenLicenseWindow() = 0;
    virtual void OpenInstallerLicenseWindow() = 0;
};

// "VELMORA SSD Toolbox " followed by the version.
[[nodiscard]] std::string MainWindowCaption(std::string_view appVersion);

// "Can't initialize COM obj security (<code>) !", the code as a signed int.
[[nodiscard]] std::string ComSecurityFailedText(std::int32_t result);

class MainWindowLogic {
public:
    // All three must outlive the logic.
    MainWindowLogic(DriveTable& table, PipeSystem& pipes, MainWindowView& view) noexcept
        : table_(table), view_(view), presenter_(table, pipes, view) {}

    // The start-up checks: CoInitializeSecurity's result (a failure shows
    // that HRESULT), then the operating system. False means the program must
    // end; every box or report was shown.
    [[nodiscard]] bool CheckStartup(std::int32_t comSecurityResult, WmiSource& wmi);

    // The first showing: find the maker's drives and show the first.
    void FormShow(WmiSource& wmi, DeviceIo& devices);

    // A press on the drive button with this tag; raises SilentAbort when the
    // button has no drive, so no click follows.
    void DriveButtonMouseDown(int tag) const;
    void DriveButtonClick(int tag);
    void RefreshClick();
    void ShowSelectedDrive();

    void MenuCommandChosen(MenuCommand command);

private:
    DriveTable& table_;
    MainWindowView& view_;
    DrivePresenter presenter_;
};

}  // namespace velmora
