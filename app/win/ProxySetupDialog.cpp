#include "app/win/ProxySetupDialog.h"

#include <stdexcept>
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

void ProxySetupDialog::OnInit() {
    namespace text = update::proxy_setup;
    font_ = CreateDesignFont("MS Sans Serif", Scale(11));
    whiteBrush_ = GdiObject(::CreateSolidBrush(kWhite));
    if (!font_ || !whiteBrush_) throw std::runtime_error(kOutOfMemoryText);
    const std::vector<HWND> controls = {
        AddControl("BUTTON", text::GroupBox1, BS_GROUPBOX, Scale(kGroupX), Scale(kGroupY), Scale(355), Scale(121),
                   IDC_PROXY_GROUP),
        AddControl("BUTTON", text::CBUseHTTP_Proxy, BS_AUTOCHECKBOX | WS_TABSTOP, Scale(kGroupX + 16),
                   Scale(kGroupY + 24), Scale(150), Scale(17), IDC_USE_PROXY),
        AddControl("STATIC", text::LAddress, SS_LEFT | SS_NOPREFIX, Scale(kGroupX + 24), Scale(kGroupY + 50), Scale(38),
                   Scale(13), IDC_PROXY_ADDRESS_LABEL),
        AddControl("EDIT", "", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, Scale(kGroupX + 64), Scale(kGroupY + 48),
                   Scale(121), Scale(21), IDC_PROXY_ADDRESS, WS_EX_CLIENTEDGE),
        AddControl("STATIC", text::LPort, SS_LEFT | SS_NOPREFIX, Scale(kGroupX + 192), Scale(kGroupY + 50), Scale(28),
                   Scale(13), IDC_PROXY_PORT_LABEL),
        AddControl("EDIT", "", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, Scale(kGroupX + 224), Scale(kGroupY + 48),
                   Scale(121), Scale(21), IDC_PROXY_PORT, WS_EX_CLIENTEDGE),
        AddControl("BUTTON", text::BSave, BS_DEFPUSHBUTTON | WS_TABSTOP, Scale(216), Scale(136), Scale(75), Scale(25),
                   IDC_PROXY_SAVE),
        AddControl("BUTTON", text::Button2, BS_PUSHBUTTON | WS_TABSTOP, Scale(296), Scale(136), Scale(75), Scale(25),
                   IDCANCEL),
    };
    for (HWND control : controls) SetControlFont(control, font_);
    ::SendMessageA(Handle(), DM_SETDEFID, IDC_PROXY_SAVE, 0);
    presenter_.FormShow();
    ::SetFocus(::GetDlgItem(Handle(), IDC_USE_PROXY));
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
