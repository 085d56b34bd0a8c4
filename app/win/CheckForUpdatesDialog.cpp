#include "app/win/CheckForUpdatesDialog.h"

#include <array>
#include <utility>

#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
// Narrow enough that the No button ends before "Don't ask again" starts.
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 25;
constexpr int kButtonY = 96;
constexpr int kCheckBoxRightMargin = 6;

// A font's height does not grow exactly with the scale: the label grows
// down when its wrapped text needs more than the design's lines.
void FitLabelHeight(HWND label) noexcept {
    RECT place;
    ::GetClientRect(label, &place);
    std::array<char, 512> text{};
    const int length = ::GetWindowTextA(label, text.data(), static_cast<int>(text.size()));
    HDC dc = ::GetDC(label);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, place.right, 0};
    ::DrawTextA(dc, text.data(), length, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    if (needed.bottom > place.bottom) {
        ::SetWindowPos(label, nullptr, 0, 0, place.right, needed.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

SIZE TextExtent(HWND control) noexcept {
    std::array<char, 128> text{};
    const int length = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    HDC dc = ::GetDC(control);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), length, &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return size;
}

// The check box holds its whole text, its box and the gap between; where
// the face is wider than the design's, the window grows to the right.
void FitCheckBoxWidth(HWND dialog, HWND checkBox, int rightMargin) noexcept {
    RECT box;
    ::GetWindowRect(checkBox, &box);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&box), 2);
    const SIZE text = TextExtent(checkBox);
    const int needed = text.cx + ::GetSystemMetrics(SM_CXMENUCHECK) + text.cy / 2;
    if (needed <= box.right - box.left) return;
    ::SetWindowPos(checkBox, nullptr, 0, 0, needed, box.bottom - box.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    RECT client;
    ::GetClientRect(dialog, &client);
    const int overflow = box.left + needed + rightMargin - client.right;
    if (overflow <= 0) return;
    RECT window;
    ::GetWindowRect(dialog, &window);
    ::SetWindowPos(dialog, nullptr, window.left - overflow / 2, window.top, window.right - window.left + overflow,
                   window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

update::StartupAnswer CheckForUpdatesDialog::Ask(HWND owner) {
    const INT_PTR result = Run(owner);
    return {result == IDYES, dontAsk_};
}

ModalFrame CheckForUpdatesDialog::Frame() const { return {kStartupQuestionCaption, Scale(311), Scale(126), false}; }

void CheckForUpdatesDialog::OnInit() {
    (void)AddControl("STATIC", "", SS_ICON | SS_CENTERIMAGE, 0, 0, 0, 0, IDC_QUESTION_IMAGE);
    (void)AddControl("STATIC", kStartupQuestionText, SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, IDC_QUESTION_TEXT);
    HWND yes = AddControl("BUTTON", kYesButtonText, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0, IDYES);
    (void)AddControl("BUTTON", kNoButtonText, BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0, IDNO);
    (void)AddControl("BUTTON", kDontAskText, BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 0, 0, IDC_DONT_ASK);
    ::SendMessageA(Handle(), DM_SETDEFID, IDYES, 0);
    ::SetFocus(yes);
}

void CheckForUpdatesDialog::LayOut() {
    constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
    // The old font goes once the controls have the new one.
    const GdiObject previousFont = std::exchange(font_, CreateDesignFont("MS Sans Serif", Scale(11)));
    const auto place = [&](int id, int x, int y, int width, int height) {
        HWND control = ::GetDlgItem(Handle(), id);
        ::SetWindowPos(control, nullptr, Scale(x), Scale(y), Scale(width), Scale(height), kPlace);
        return control;
    };
    // The centred icon keeps the design's 41 x 41 place, with the icon drawn
    // for the scale.
    HWND image = ::GetDlgItem(Handle(), IDC_QUESTION_IMAGE);
    HANDLE icon = ::LoadImageA(nullptr, IDI_QUESTION, IMAGE_ICON, Scale(32), Scale(32), LR_SHARED);
    ::SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(icon ? icon : ::LoadIconA(nullptr, IDI_QUESTION)), 0);
    (void)place(IDC_QUESTION_IMAGE, 16, 16, 41, 41);
    HWND label = place(IDC_QUESTION_TEXT, 64, 16, 233, 49);
    HWND yes = place(IDYES, 64, kButtonY, kButtonWidth, kButtonHeight);
    HWND no = place(IDNO, 136, kButtonY, kButtonWidth, kButtonHeight);
    HWND dontAsk = place(IDC_DONT_ASK, 208, 104, 97, 17);
    for (HWND control : {label, yes, no, dontAsk}) SetControlFont(control, font_);
    FitLabelHeight(label);
    FitCheckBoxWidth(Handle(), dontAsk, Scale(kCheckBoxRightMargin));
}

bool CheckForUpdatesDialog::OnCommand(int id, int notifyCode) {
    switch (id) {
        case IDYES:
            End(IDYES);
            return true;
        case IDNO:
            End(IDNO);
            return true;
        case IDC_DONT_ASK:
            if (notifyCode == BN_CLICKED) {
                dontAsk_ = ::IsDlgButtonChecked(Handle(), IDC_DONT_ASK) == BST_CHECKED;
            }
            return true;
        default:
            return ModalWindow::OnCommand(id, notifyCode);  // Esc: IDCANCEL, counted as No
    }
}

}  // namespace velmora::win
