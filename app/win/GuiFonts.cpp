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

GdiObject CreateMessageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return GdiObject(::CreateFontIndirectA(&metrics.lfMessageFont));
    }
    return CreateDesignFont("MS Sans Serif", 13);
}

void SetControlFont(HWND control, const GdiObject& font) noexcept {
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

}  // namespace velmora::win
