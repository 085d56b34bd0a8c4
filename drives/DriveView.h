#pragma once
// What the drive presenter needs from a front end: the main window's fields,
// gauge, status picture, toolbar images and warning box, or the console's
// stand-ins for them. Texts are ANSI, as the drive table holds them.

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// The ten value fields of the main window, top to bottom.
enum class FieldId {
    Model,
    Capacity,
    SerialNumber,
    Firmware,
    PowerOnHours,
    PowerCycles,
    MaxEraseCount,
    AvgEraseCount,
    GBWritten,
    Temperature,
};
inline constexpr std::size_t kFieldCount = 10;

// The fields' labels in FieldId order: the window's captions, which the
// console prints as well so that a support call can use either.
inline constexpr const char* kFieldLabels[kFieldCount] = {
    "Model", "Capacity", "Serial number", "Firmware", "Power on hours",
    "Power On/Off cycles", "Max. erase count", "Avg. erase count", "GiB writes to SSD", "Temperature",
};

enum class TemperatureColour { Normal, Red };

inline constexpr int kDriveButtonCount = 4;

// Images of the toolbar's image list.
namespace toolbar_image {
inline constexpr int DrivePresent = 0;
inline constexpr int DriveShown = 1;
inline constexpr int DriveAbsent = 2;
inline constexpr int RefreshActive = 3;
inline constexpr int RefreshInactive = 4;
}  // namespace toolbar_image

// Bitmap resource names of the status pictures.
inline constexpr char kStatusPictureOk[] = "STAT_OK";
inline constexpr char kStatusPictureBad[] = "STAT_BAD";
inline constexpr char kStatusPictureUnknown[] = "STAT_UN";

inline constexpr char kParameterWarningText[] =
    "There appears to be a problem with one of your SSD parameters.\n"
    "To verify this please contact VELMORA technical support for more details.";

class DriveView {
public:
    virtual ~DriveView() = default;
    virtual void SetFieldText(FieldId field, const std::string& text) = 0;
    virtual void SetTemperatureColour(TemperatureColour colour) = 0;
    // 0..100.
    virtual void SetGaugePosition(int percent) = 0;
    // One of the kStatusPicture names.
    virtual void SetStatusPicture(std::string_view resourceName) = 0;
    // button 0..kDriveButtonCount-1; image one of toolbar_image.
    virtual void SetDriveButtonImage(int button, int image) = 0;
    virtual void SetRefreshButtonImage(int image) = 0;
    // Lets queued user input run; it may re-enter the presenter.
    virtual void ProcessPendingMessages() = 0;
    // A modal warning box with a single Yes button.
    virtual void ShowWarning(std::string_view text) = 0;
};

}  // namespace velmora
