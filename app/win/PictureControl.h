#pragma once
// A picture control that shows the BMP resource its window text names, at
// its natural size and centred (IStatus, the banner, the about picture).
// Setting the text switches the picture, and reading it tells another
// process which picture is shown. An unknown or damaged resource shows
// nothing rather than garbage.

#include <windows.h>

namespace velmora::win {

inline constexpr char kPictureClass[] = "VelmoraPicture";

[[nodiscard]] bool RegisterPictureClass(HINSTANCE instance) noexcept;

}  // namespace velmora::win
