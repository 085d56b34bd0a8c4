#include "app/win/CheckForUpdatesDialog.h"

#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"

namespace velmora::win {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonY = 96;

}  // namespace

update::StartupAnswer CheckForUpdatesDialog::Ask(HWND owner) {
    const INT_PTR result = Run(owner);
    return {result == IDYES, dontAsk_};
}

ModalFrame CheckForUpdatesDialog::Frame() const { return {kStartupQuestionCaption, 311, 126, false}; }

void CheckForUpdatesDialog::OnInit() {
    font_ = CreateDesignFont("MS Sans Serif", 11);
    // The centred icon keeps the design's 41 x 41 place.
    HWND image = AddControl("STATIC", "", SS_ICON | SS_CENTERIMAGE, 16, 16, 41, 41, IDC_QUESTION_IMAGE);
    ::SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IDI_QUESTION)), 0);
    ::SetWindowPos(image, nullptr, 16, 16, 41, 41, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND label = AddControl("STATIC", kStartupQuestionText, SS_LEFT | SS_NOPREFIX, 64, 16, 233, 49,
                            IDC_QUESTION_TEXT);
    HWND yes = AddControl("BUTTON", kYesButtonText, BS_DEFPUSHBUTTON | WS_TABSTOP, 64, kButtonY, kButtonWidth,
                          kButtonHeight, IDYES);
    HWND no = AddControl("BUTTON", kNoButtonText, BS_PUSHBUTTON | WS_TABSTOP, 144, kButtonY, kButtonWidth,
                         kButtonHeight, IDNO);
    HWND dontAsk = AddControl("BUTTON", kDontAskText, BS_AUTOCHECKBOX | WS_TABSTOP, 208, 104, 97, 17, IDC_DONT_ASK);
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
