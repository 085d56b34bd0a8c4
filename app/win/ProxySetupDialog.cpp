#include "app/win/ProxySetupDialog.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "common/ProgramTexts.h"
#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"
#include "app/win/MessageBoxWindow.h"

namespace velmora::win {

namespace {

// The design places the check box, labels and edits inside GroupBox1; here
// they are the dialog's children, so the group's origin is added.
constexpr int kGroupX = 16;
constexpr int kGroupY = 8;
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

ProxySetupDialog::ProxySetupDialog(update::ProxySettings& proxy, update::SettingsStore& store)
    : presenter_(*this, proxy, store) {}

ModalFrame ProxySetupDialog::Frame() const { return {update::proxy_setup::Caption, Scale(385), Scale(170), false}; }

namespace {

struct ControlPlace {
    const char* ClassName;
    const char* Text;
    DWORD Style;
    int X;  // at 96 DPI, as the rest
    int Y;
    int Width;
    int Height;
    int Id;
    DWORD ExStyle;
};

namespace text = update::proxy_setup;
constexpr ControlPlace kControls[] = {
    {"BUTTON", text::GroupBox1, BS_GROUPBOX, kGroupX, kGroupY, 355, 121, IDC_PROXY_GROUP, 0},
    {"BUTTON", text::CBUseHTTP_Proxy, BS_AUTOCHECKBOX | WS_TABSTOP, kGroupX + 16, kGroupY + 24, 150, 17, IDC_USE_PROXY,
     0},
    {"STATIC", text::LAddress, SS_LEFT | SS_NOPREFIX, kGroupX + 24, kGroupY + 50, 38, 13, IDC_PROXY_ADDRESS_LABEL, 0},
    {"EDIT", "", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, kGroupX + 64, kGroupY + 48, 121, 21, IDC_PROXY_ADDRESS,
     WS_EX_CLIENTEDGE},
    {"STATIC", text::LPort, SS_LEFT | SS_NOPREFIX, kGroupX + 192, kGroupY + 50, 28, 13, IDC_PROXY_PORT_LABEL, 0},
    {"EDIT", "", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, kGroupX + 224, kGroupY + 48, 121, 21, IDC_PROXY_PORT,
     WS_EX_CLIENTEDGE},
    {"BUTTON", text::BSave, BS_DEFPUSHBUTTON | WS_TABSTOP, 216, 136, 75, 25, IDC_PROXY_SAVE, 0},
    {"BUTTON", text::Button2, BS_PUSHBUTTON | WS_TABSTOP, 296, 136, 75, 25, IDCANCEL, 0},
};

}  // namespace

void ProxySetupDialog::OnInit() {
    whiteBrush_ = GdiObject(::CreateSolidBrush(kWhite));
    if (!whiteBrush_) throw std::runtime_error(kOutOfMemoryText);
    for (const ControlPlace& control : kControls) {
        (void)AddControl(control.ClassName, control.Text, control.Style, 0, 0, 0, 0, control.Id, control.ExStyle);
    }
    ::SendMessageA(Handle(), DM_SETDEFID, IDC_PROXY_SAVE, 0);
    presenter_.FormShow();
    ::SetFocus(::GetDlgItem(Handle(), IDC_USE_PROXY));
}

void ProxySetupDialog::LayOut() {
    GdiObject font = CreateDesignFont("MS Sans Serif", Scale(11));
    if (!font) throw std::runtime_error(kOutOfMemoryText);
    // The old font goes once the controls have the new one.
    const GdiObject previousFont = std::exchange(font_, std::move(font));
    for (const ControlPlace& control : kControls) {
        HWND hwnd = ::GetDlgItem(Handle(), control.Id);
        ::SetWindowPos(hwnd, nullptr, Scale(control.X), Scale(control.Y), Scale(control.Width), Scale(control.Height),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        SetControlFont(hwnd, font_);
    }
}

bool ProxySetupDialog::OnCommand(int id, int notifyCode) {
    switch (id) {
        case IDC_USE_PROXY:
            if (notifyCode == BN_CLICKED) presenter_.CBUseHTTP_ProxyClick();
            return true;
        case IDC_PROXY_SAVE:
            if (notifyCode == BN_CLICKED) presenter_.BSaveClick();
            return true;
        default:
            return ModalWindow::OnCommand(id, notifyCode);  // Button2 is IDCANCEL
    }
}

bool ProxySetupDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return false;
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (id != IDC_PROXY_ADDRESS && id != IDC_PROXY_PORT) return false;
    // Editable fields are white; read-only ones take the group box's colour.
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, editable_ ? kWhite : ::GetSysColor(COLOR_BTNFACE));
    HBRUSH brush = editable_ ? static_cast<HBRUSH>(whiteBrush_.get()) : ::GetSysColorBrush(COLOR_BTNFACE);
    result = reinterpret_cast<INT_PTR>(brush);
    return true;
}

bool ProxySetupDialog::UseProxy() const { return ::IsDlgButtonChecked(Handle(), IDC_USE_PROXY) == BST_CHECKED; }

void ProxySetupDialog::SetUseProxy(bool checked) {
    // BM_SETCHECK sends no BN_CLICKED, so the click handler does not run.
    ::CheckDlgButton(Handle(), IDC_USE_PROXY, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string ProxySetupDialog::ControlText(int id) const {
    HWND control = ::GetDlgItem(Handle(), id);
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
    const int length = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

std::string ProxySetupDialog::AddressText() const { return ControlText(IDC_PROXY_ADDRESS); }

void ProxySetupDialog::SetAddressText(const std::string& text) {
    ::SetDlgItemTextA(Handle(), IDC_PROXY_ADDRESS, text.c_str());
}

std::string ProxySetupDialog::PortText() const { return ControlText(IDC_PROXY_PORT); }

void ProxySetupDialog::SetPortText(const std::string& text) {
    ::SetDlgItemTextA(Handle(), IDC_PROXY_PORT, text.c_str());
}

void ProxySetupDialog::SetFieldsEditable(bool editable) {
    editable_ = editable;
    for (int id : {IDC_PROXY_ADDRESS, IDC_PROXY_PORT}) {
        HWND field = ::GetDlgItem(Handle(), id);
        ::SendMessageA(field, EM_SETREADONLY, editable ? FALSE : TRUE, 0);
        ::InvalidateRect(field, nullptr, TRUE);
    }
    for (int id : {IDC_PROXY_ADDRESS_LABEL, IDC_PROXY_PORT_LABEL}) {
        ::EnableWindow(::GetDlgItem(Handle(), id), editable ? TRUE : FALSE);
    }
}

void ProxySetupDialog::ShowError(const std::string& text) {
    (void)ShowMessageBox(Handle(), MessageKind::Error, text, MessageButton::Ok);
}

void ProxySetupDialog::CloseWithOk() { End(IDOK); }

}  // namespace velmora::win
