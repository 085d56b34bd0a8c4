#include "app/win/GaugeControl.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/win/GuiFonts.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

// The control's state lives in its window's extra bytes: no allocation.
constexpr int kPositionSlot = 0;
constexpr int kColourSlot = sizeof(LONG_PTR);
constexpr int kExtraBytes = 2 * sizeof(LONG_PTR);

int Position(HWND hwnd) noexcept { return static_cast<int>(::GetWindowLongPtrA(hwnd, kPositionSlot)); }
COLORREF Colour(HWND hwnd) noexcept { return static_cast<COLORREF>(::GetWindowLongPtrA(hwnd, kColourSlot)); }

void SetPosition(HWND hwnd, int percent) noexcept {
    percent = std::clamp(percent, 0, 100);
    ::SetWindowLongPtrA(hwnd, kPositionSlot, percent);
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%d%%", percent);
    ::DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    ::InvalidateRect(hwnd, nullptr, FALSE);
}

void DrawCentredText(HDC dc, const RECT& area, const char* text, COLORREF colour) noexcept {
    ::SetTextColor(dc, colour);
    RECT box = area;
    ::DrawTextA(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// The parent's font; else the system font, which the system gives at its
// own DPI, at the gauge's.
GdiObject ScaledSystemFont(HWND hwnd) noexcept {
    const UINT dpi = WindowDpi(hwnd);
    const UINT systemDpi = WindowDpi(nullptr);
    LOGFONTA font{};
    if (dpi == systemDpi || !::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof font, &font)) return GdiObject();
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    font.lfWidth = ::MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(systemDpi));
    return GdiObject(::CreateFontIndirectA(&font));
}

void Paint(HWND hwnd) noexcept {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd, &paint);
    RECT client;
    ::GetClientRect(hwnd, &client);
    RECT inner = client;
    ::DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);

    RECT filled = inner;
    filled.right = inner.left + (inner.right - inner.left) * Position(hwnd) / 100;
    RECT empty = inner;
    empty.left = filled.right;
    GdiObject barBrush(::CreateSolidBrush(Colour(hwnd)));
    ::FillRect(dc, &filled, static_cast<HBRUSH>(barBrush.get()));
    ::FillRect(dc, &empty, ::GetSysColorBrush(COLOR_WINDOW));

    std::array<char, 8> text{};
    ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(::GetParent(hwnd), WM_GETFONT, 0, 0));
    const GdiObject scaledFont = font ? GdiObject() : ScaledSystemFont(hwnd);
    if (scaledFont) font = scaledFont.get();
    HGDIOBJ previousFont = font ? ::SelectObject(dc, font) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, empty.left, empty.top, empty.right, empty.bottom);
    DrawCentredText(dc, inner, text.data(), Colour(hwnd));
    ::RestoreDC(dc, saved);
    ::IntersectClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
    DrawCentredText(dc, inner, text.data(), RGB(255, 255, 255));
    if (previousFont) ::SelectObject(dc, previousFont);
    ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK GaugeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_CREATE:
            SetPosition(hwnd, 0);
            return 0;
        case kGaugeSetPosition:
            SetPosition(hwnd, static_cast<int>(wParam));
            return 0;
        case kGaugeSetColour:
            ::SetWindowLongPtrA(hwnd, kColourSlot, static_cast<LONG_PTR>(lParam));
            ::InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case kGaugeGetPosition:
            return Position(hwnd);
        case WM_SETTEXT:
            return TRUE;  // the text follows the position only
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterGaugeClass(HINSTANCE instance) noexcept {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = GaugeProc;
    windowClass.cbWndExtra = kExtraBytes;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kGaugeClass;
    return ::RegisterClassExA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace velmora::win
