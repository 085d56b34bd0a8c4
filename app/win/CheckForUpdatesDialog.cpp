#include "app/win/CheckForUpdatesDialog.h"

#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonY = 96;

}  // namespace

update::StartupAnswer CheckForUpdatesDialog::Ask(HWND owner) {
    const INT_PTR result = Run(owner);
    return {result == IDYES, dontAsk_};
}

ModalFrame CheckForUpdatesDialog::Frame() const { return {kStartupQuestionCaption, Scale(311), Scale(126), false}; }

void CheckForUpdatesDialog::OnInit() {
    font_ = CreateDesignFont("MS Sans Serif", Scale(11));
    // The centred icon keeps the design's 41 x 41 place, with the icon drawn
    // for the scale.
    HWND image = AddControl("STATIC", "", SS_ICON | SS_CENTERIMAGE, Scale(16), Scale(16), Scale(41), Scale(41),
                            IDC_QUESTION_IMAGE);
    HANDLE icon = ::LoadImageA(nullptr, IDI_QUESTION, IMAGE_ICON, Scale(32), Scale(32), LR_SHARED);
    ::SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(icon ? icon : ::LoadIconA(nullptr, IDI_QUESTION)), 0);
    ::SetWindowPos(image, nullptr, Scale(16), Scale(16), Scale(41), Scale(41), SWP_NOZORDER | SWP_NOACTIVATE);
    HWND label = AddControl("STATIC", kStartupQuestionText, SS_LEFT | SS_NOPREFIX, Scale(64), Scale(16), Scale(233),
                            Scale(49), IDC_QUESTION_TEXT);
    HWND yes = AddControl("BUTTON", kYesButtonText, BS_DEFPUSHBUTTON | WS_TABSTOP, Scale(64), Scale(kButtonY),
                          Scale(kButtonWidth), Scale(kButtonHeight), IDYES);
    HWND no = AddControl("BUTTON", kNoButtonText, BS_PUSHBUTTON | WS_TABSTOP, Scale(144), Scale(kButtonY),
                         Scale(kButtonWidth), Scale(kButtonHeight), IDNO);
    HWND dontAsk = AddControl("BUTTON", kDontAskText, BS_AUTOCHECKBOX | WS_TABSTOP, Scale(208), Scale(104), Scale(97),
                              Scale(17), IDC_DONT_ASK);
    for (HWND control : {label, yes, no, dontAsk}) SetControlFont(control, font_);
    ::SendMessageA(Handle(), DM_SETDEFID, IDYES, 0);
    ::SetFocus(yes);
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
