#pragma once
// A picture control that shows the BMP resource its window text names,
// centred (IStatus, the banner, the about picture). Setting the text
// switches the picture, and reading it tells another process which picture
// is shown. An unknown or damaged resource shows nothing rather than
// garbage. Above 96 DPI the control shows the drawing made for its scale
// (NAME_150, NAME_200) where the resources have one, at its natural size;
// else it stretches the 100 % picture to the scale.

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::win {

inline constexpr char kPictureClass[] = "VelmoraPicture";

// The drawn set nearest to dpi: 100, 150 or 200 (per cent); a tie goes to
// the smaller set, which then fits the scaled place.
[[nodiscard]] int PictureSetPercent(UINT dpi) noexcept;

// The resource of name drawn for percent: name itself at 100, else
// name_150 or name_200.
[[nodiscard]] std::string PictureSetName(std::string_view name, int percent);

[[nodiscard]] bool RegisterPictureClass(HINSTANCE instance) noexcept;

}  // namespace velmora::win
