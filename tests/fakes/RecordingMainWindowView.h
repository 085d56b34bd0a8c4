#pragma once
// A main window stand-in: the drive display goes to a RecordingDriveView,
// boxes, the gauge colour, the timer and the opened windows are recorded.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainWindowLogic.h"
#include "tests/fakes/RecordingDriveView.h"

namespace velmora::fakes {

struct RecordedMessage {
    MessageKind Kind;
    std::string Text;
    MessageButton Button;
};

class RecordingMainWindowView final : public MainWindowView {
public:
    void SetFieldText(FieldId field, const std::string& text) override { Drive.SetFieldText(field, text); }
    void SetTemperatureColour(TemperatureColour colour) override { Drive.SetTemperatureColour(colour); }
    void SetGaugePosition(int percent) override { Drive.SetGaugePosition(percent); }
    void SetStatusPicture(std::string_view resourceName) override { Drive.SetStatusPicture(resourceName); }
    void SetDriveButtonImage(int button, int image) override { Drive.SetDriveButtonImage(button, image); }
    void SetRefreshButtonImage(int image) override { Drive.SetRefreshButtonImage(image); }
    void ProcessPendingMessages() override { Drive.ProcessPendingMessages(); }
    // The presenter's warning is a box like any other.
    void ShowWarning(std::string_view text) override {
        Drive.ShowWarning(text);
        ShowMessage(MessageKind::Warning, text, MessageButton::Yes);
    }

    void ShowMessage(MessageKind kind, std::string_view text, MessageButton button) override {
        Messages.push_back({kind, std::string(text), button});
    }
    void SetGaugeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override {
        GaugeColour = {red, green, blue};
    }
    void StartFirstTickTimer() override { ++TimerStarts; }
    void CloseWindow() override { Opened.emplace_back("close"); }
    void OpenRawSmartWindow() override { Opened.emplace_back("raw"); }
    // "history" and the shown drive's serial number, or "history of none".
    void OpenHealthHistoryWindow(const DriveInfo* shownDrive) override {
        Opened.push_back("history of " + (shownDrive ? shownDrive->SerialNumber : std::string("none")));
    }
    void OpenAboutWindow() override { Opened.emplace_back("about"); }
    void OpenLicenseWindow() override { Opened.emplace_back("license"); }
    void OpenInstallerLicenseWindow() override { Opened.emplace_back("installer"); }

    RecordingDriveView Drive;
    std::vector<RecordedMessage> Messages;
    std::vector<std::uint8_t> GaugeColour;  // empty until set
    int TimerStarts = 0;
    std::vector<std::string> Opened;
};

}  // namespace velmora::fakes
