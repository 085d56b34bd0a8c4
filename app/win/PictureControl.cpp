#include "app/win/PictureControl.h"

#include <array>
#include <optional>

#include "app/win/BmpFile.h"
#include "app/win/GuiFonts.h"

namespace velmora::win {

namespace {

struct ScaledPicture {
    BmpView Picture;
    int Width = 0;  // as drawn
    int Height = 0;
};

std::optional<ScaledPicture> PictureFor(const char* name, UINT dpi) noexcept {
    const int percent = PictureSetPercent(dpi);
    if (percent != 100) {
        try {
            if (const auto drawn = ParseBmpFile(ResourceBytes(PictureSetName(name, percent).c_str()))) {
                return ScaledPicture{*drawn, drawn->Width, drawn->Height};
            }
        } catch (...) {
            // No memory for the name: the 100 % picture, stretched, will do.
        }
    }
    const auto picture = ParseBmpFile(ResourceBytes(name));
    if (!picture) return std::nullopt;
    return ScaledPicture{*picture, ScaleToDpi(picture->Width, dpi), ScaleToDpi(picture->Height, dpi)};
}

void Paint(HWND hwnd) noexcept {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd, &paint);
    RECT client;
    ::GetClientRect(hwnd, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    std::array<char, 64> name{};
    ::GetWindowTextA(hwnd, name.data(), static_cast<int>(name.size()));
    if (const auto shown = PictureFor(name.data(), WindowDpi(hwnd))) {
        const BmpView& picture = shown->Picture;
        const int x = (client.right - shown->Width) / 2;
        const int y = (client.bottom - shown->Height) / 2;
        if (shown->Width != picture.Width) ::SetStretchBltMode(dc, HALFTONE);
        ::StretchDIBits(dc, x, y, shown->Width, shown->Height, 0, 0, picture.Width, picture.Height, picture.Bits,
                        picture.Info, DIB_RGB_COLORS, SRCCOPY);
    }
    ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_SETTEXT: {
            const LRESULT result = ::DefWindowProcA(hwnd, message, wParam, lParam);
            ::InvalidateRect(hwnd, nullptr, FALSE);
            return result;
        }
        default:
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int PictureSetPercent(UINT dpi) noexcept {
    const int percent = ::MulDiv(static_cast<int>(dpi), 100, USER_DEFAULT_SCREEN_DPI);
    if (percent <= 125) return 100;
    if (percent <= 175) return 150;
    return 200;
}

std::string PictureSetName(std::string_view name, int percent) {
    std::string result(name);
    if (percent != 100) result += "_" + std::to_string(percent);
    return result;
}

bool RegisterPictureClass(HINSTANCE instance) noexcept {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PictureProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureClass;
    return ::RegisterClassExA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace velmora::win
