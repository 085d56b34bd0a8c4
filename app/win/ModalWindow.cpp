#include "app/win/ModalWindow.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "common/ProgramTexts.h"
#include "app/win/GuiFonts.h"
#include "app/win/HandlerGuard.h"
#include "app/win/ModalClockHold.h"

namespace velmora::win {

namespace {

constexpr UINT kShownMessage = WM_APP + 1;

// DLGTEMPLATE with no controls, followed by empty menu, class and title
// arrays; the caption is set once the window exists.
std::vector<WORD> EmptyTemplate(const ModalFrame& frame) {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    if (frame.MinimizeBox) style |= WS_MINIMIZEBOX;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    DLGTEMPLATE header{};
    header.style = style;
    header.cdit = 0;
    std::memcpy(words.data(), &header, sizeof header);
    return words;  // menu 0, class 0, title "" follow the header
}

// The dialog manager of Windows 10 1703 and later scales a per-monitor
// window's template controls itself on a DPI change; these windows have
// none and lay themselves out, so it is kept out of the way. Older systems
// have no such function and no such scaling.
void KeepDialogManagerScalingOff(HWND dialog) noexcept {
    using SetBehaviourFunction = decltype(&::SetDialogDpiChangeBehavior);
    static const auto setBehaviour = reinterpret_cast<SetBehaviourFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    if (setBehaviour) (void)setBehaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace

INT_PTR ModalWindow::Run(HWND owner) {
    const std::vector<WORD> dialogTemplate = EmptyTemplate(Frame());
    const ModalClockHold hold;
    const INT_PTR result = ::DialogBoxIndirectParamA(
        ::GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), owner, DialogProc,
        reinterpret_cast<LPARAM>(this));
    if (result == -1) throw std::runtime_error(kOutOfMemoryText);
    return result;
}

bool ModalWindow::OnCommand(int id, int) {
    if (id == IDCANCEL) {
        End(IDCANCEL);
        return true;
    }
    return false;
}

bool ModalWindow::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

UINT ModalWindow::Dpi() const noexcept { return dpi_ != 0 ? dpi_ : WindowDpi(hwnd_); }

int ModalWindow::Scale(int sizeAt96) const noexcept { return ScaleToDpi(sizeAt96, Dpi()); }

HWND ModalWindow::AddControl(const char* className, const char* text, DWORD style, int x, int y, int width,
                             int height, int id, DWORD exStyle, void* createParam) {
    HWND control = ::CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                     hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleA(nullptr), createParam);
    if (!control) throw std::runtime_error(kOutOfMemoryText);
    return control;
}

void ModalWindow::SizeAndCentre(const ModalFrame& frame) const {
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_EXSTYLE));
    RECT rect{0, 0, frame.ClientWidth, frame.ClientHeight};
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModalWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, kPlace);
    // Text does not grow exactly with the scale: a frame measured from its
    // texts may need a little more than the suggested client area.
    const ModalFrame frame = Frame();
    RECT client;
    ::GetClientRect(hwnd_, &client);
    const int wider = std::max<int>(frame.ClientWidth - client.right, 0);
    const int taller = std::max<int>(frame.ClientHeight - client.bottom, 0);
    if (wider > 0 || taller > 0) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, suggested.right - suggested.left + wider,
                       suggested.bottom - suggested.top + taller, kPlace | SWP_NOMOVE);
    }
    // A move during the window's creation changes nothing to lay out yet.
    if (!created_) return;
    LayOut();
    // A layout that grew the window keeps it where Windows put it.
    RECT now;
    ::GetWindowRect(hwnd_, &now);
    if (now.left != suggested.left || now.top != suggested.top) {
        ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, kPlace | SWP_NOSIZE);
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

INT_PTR ModalWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            KeepDialogManagerScalingOff(hwnd_);
            dpi_ = WindowDpi(hwnd_);
            const ModalFrame frame = Frame();
            ::SetWindowTextA(hwnd_, frame.Caption.c_str());
            SizeAndCentre(frame);
            OnInit();
            created_ = true;
            LayOut();
            ::PostMessageA(hwnd_, kShownMessage, 0, 0);
            return TRUE;
        }
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case kShownMessage:
            ::UpdateWindow(hwnd_);
            OnShown();
            return TRUE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_CLOSE:
            End(IDCANCEL);
            return TRUE;
        default: {
            INT_PTR result = 0;
            return OnMessage(message, wParam, lParam, result) ? result : FALSE;
        }
    }
}

INT_PTR CALLBACK ModalWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<ModalWindow*>(lParam)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<ModalWindow*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    if (!GuardHandler(hwnd, [&] { result = self->Dispatch(message, wParam, lParam); })) {
        // A failed initialisation leaves a half-built window: close it.
        if (message == WM_INITDIALOG) ::EndDialog(hwnd, IDCANCEL);
        return TRUE;
    }
    return result;
}

}  // namespace velmora::win
