#pragma once
// The fonts of the windows. The design names MS Sans Serif at a pixel
// height; Windows and Wine substitute a similar face where it is missing.
// A window that follows the display's scaling takes its sizes at 96 DPI
// and scales them, its fonts included, to the DPI it is shown at.

#include <windows.h>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

enum class Pitch { Default, Fixed };

// Character height in pixels (a negative LOGFONT height).
[[nodiscard]] GdiObject CreateDesignFont(const char* face, int pixelHeight, Pitch pitch = Pitch::Default);

// The system's message-box font, which the system gives at its own DPI,
// at dpi.
[[nodiscard]] GdiObject CreateMessageFont(UINT dpi);

void SetControlFont(HWND control, const GdiObject& font) noexcept;

// The DPI the window is shown at: GetDpiForWindow where the system has it
// (Windows 10 from 1607), else the system's, the screen DC's LOGPIXELSY.
// A null window gives the system's.
[[nodiscard]] UINT WindowDpi(HWND hwnd) noexcept;

// A size given at 96 DPI, at dpi: unchanged at 96.
[[nodiscard]] int ScaleToDpi(int size, UINT dpi) noexcept;

// The message-box font's face at a pixel height given at 96 DPI, at dpi.
[[nodiscard]] GdiObject CreateScaledFont(int pixelHeightAt96, UINT dpi);

}  // namespace velmora::win
