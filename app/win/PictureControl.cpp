#include "app/win/PictureControl.h"

#include <array>

#include "app/win/BmpFile.h"

namespace velmora::win {

namespace {

void Paint(HWND hwnd) noexcept {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd, &paint);
    RECT client;
    ::GetClientRect(hwnd, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    std::array<char, 64> name{};
    ::GetWindowTextA(hwnd, name.data(), static_cast<int>(name.size()));
    if (const auto picture = ParseBmpFile(ResourceBytes(name.data()))) {
        const int x = (client.right - picture->Width) / 2;
        const int y = (client.bottom - picture->Height) / 2;
        ::StretchDIBits(dc, x, y, picture->Width, picture->Height, 0, 0, picture->Width, picture->Height,
                        picture->Bits, picture->Info, DIB_RGB_COLORS, SRCCOPY);
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
