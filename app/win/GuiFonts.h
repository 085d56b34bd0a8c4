#pragma once
// The fonts of the windows. The design names MS Sans Serif at a pixel
// height; Windows and Wine substitute a similar face where it is missing.

#include <windows.h>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

enum class Pitch { Default, Fixed };

// Character height in pixels (a negative LOGFONT height).
[[nodiscard]] GdiObject CreateDesignFont(const char* face, int pixelHeight, Pitch pitch = Pitch::Default);

// The system's message-box font.
[[nodiscard]] GdiObject CreateMessageFont();

void SetControlFont(HWND control, const GdiObject& font) noexcept;

}  // namespace velmora::win
