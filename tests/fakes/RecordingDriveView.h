#pragma once
// A drive view that keeps what the presenter last put on screen, starting
// from the window's design state, and the order of the calls, so tests can
// check texts, images, the gauge and the warning box.

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "drives/DriveView.h"

namespace velmora::fakes {

class RecordingDriveView final : public DriveView {
public:
    RecordingDriveView() { DriveButtons.fill(toolbar_image::DriveAbsent); }

    void SetFieldText(FieldId field, const std::string& text) override {
        Fields[field] = text;
        Calls.push_back("field");
    }
    void SetTemperatureColour(TemperatureColour colour) override {
        Colour = colour;
        Calls.push_back("colour");
    }
    void SetGaugePosition(int percent) override {
        Gauge = percent;
        ++GaugeSetCount;
        Calls.push_back("gauge");
    }
    void SetStatusPicture(std::string_view resourceName) override {
        StatusPicture = std::string(resourceName);
        Calls.push_back("status");
    }
    void SetDriveButtonImage(int button, int image) override {
        DriveButtons.at(static_cast<std::size_t>(button)) = image;
        Calls.push_back("button");
    }
    void SetRefreshButtonImage(int image) override {
        RefreshButton = image;
        Calls.push_back("refresh");
    }
    void ProcessPendingMessages() override {
        Calls.push_back("messages");
        if (OnProcessMessages) {
            auto hook = std::move(OnProcessMessages);  // one pending input per hook
            OnProcessMessages = nullptr;
            hook();
        }
    }
    void ShowWarning(std::string_view text) override {
        Warnings.emplace_back(text);
        Calls.push_back("warning");
    }

    [[nodiscard]] std::string Text(FieldId field) const {
        const auto found = Fields.find(field);
        return found == Fields.end() ? std::string() : found->second;
    }

    std::map<FieldId, std::string> Fields;
    TemperatureColour Colour = TemperatureColour::Normal;
    int Gauge = 0;
    int GaugeSetCount = 0;
    std::string StatusPicture = kStatusPictureUnknown;
    std::array<int, kDriveButtonCount> DriveButtons{};
    int RefreshButton = toolbar_image::RefreshInactive;
    std::vector<std::string> Warnings;
    std::vector<std::string> Calls;
    // Runs once inside the next ProcessPendingMessages, as queued user input would.
    std::function<void()> OnProcessMessages;
};

}  // namespace velmora::fakes
