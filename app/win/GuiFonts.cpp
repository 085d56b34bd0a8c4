#include "app/win/GuiFonts.h"

#include <cstring>

namespace velmora::win {

GdiObject CreateDesignFont(const char* face, int pixelHeight, Pitch pitch) {
    LOGFONTA font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = pitch == Pitch::Fixed ? FIXED_PITCH : DEFAULT_PITCH;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return GdiObject(::CreateFontIndirectA(&font));
}

GdiObject CreateMessageFont(UINT dpi) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        const UINT systemDpi = WindowDpi(nullptr);
        if (dpi != systemDpi) {
            metrics.lfMessageFont.lfHeight =
                ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
            metrics.lfMessageFont.lfWidth = 0;
        }
        return GdiObject(::CreateFontIndirectA(&metrics.lfMessageFont));
    }
    return CreateDesignFont("MS Sans Serif", ScaleToDpi(13, dpi));
}

UINT WindowDpi(HWND hwnd) noexcept {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    // Looked up once: Windows 7 and 8 have no such function.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    HDC dc = ::GetDC(hwnd);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ::ReleaseDC(hwnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int ScaleToDpi(int size, UINT dpi) noexcept { return ::MulDiv(size, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

GdiObject CreateScaledFont(int pixelHeightAt96, UINT dpi) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return CreateDesignFont("MS Sans Serif", ScaleToDpi(pixelHeightAt96, dpi));
    }
    LOGFONTA font = metrics.lfMessageFont;
    font.lfHeight = -ScaleToDpi(pixelHeightAt96, dpi);
    font.lfWidth = 0;
    return GdiObject(::CreateFontIndirectA(&font));
}

void SetControlFont(HWND control, const GdiObject& font) noexcept {
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

}  // namespace velmora::win
