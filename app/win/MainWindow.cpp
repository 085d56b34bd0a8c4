#include "app/win/MainWindow.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "drives/DriveView.h"
#include "update/UpdateTexts.h"
#include "common/ProgramTexts.h"
#include "common/win/ProgramDataPaths.h"
#include "app/win/AppResources.h"
#include "app/win/GaugeControl.h"
#include "app/win/GuiFonts.h"
#include "app/win/HandlerGuard.h"
#include "app/win/HealthHistoryWindow.h"
#include "app/win/HistoryChartControl.h"
#include "app/win/InfoWindows.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/PictureControl.h"
#include "app/win/RawSmartWindow.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
constexpr int kClientWidth = 453;
constexpr int kClientHeight = 402;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kLabelX = 16;
constexpr int kFieldX = 160;
constexpr int kFieldWidth = 273;
constexpr int kFieldHeight = 21;
constexpr int kFirstRowY = 48;
constexpr int kRowStep = 24;
constexpr int kGaugeY = 296;
constexpr int kGaugeHeight = 33;
constexpr int kBannerX = 16;
constexpr int kBannerY = 336;
constexpr int kBannerWidth = 420;
constexpr int kBannerHeight = 61;
constexpr int kFontPixels = 13;
constexpr int kDegreeFontPixels = 9;
constexpr char kTemperatureWord[] = "Temperature ";
constexpr UINT_PTR kFirstTickTimer = 1;
constexpr UINT kFirstTickMs = 500;
constexpr UINT kFormShowMessage = WM_APP + 1;
constexpr COLORREF kOverTemperatureColour = RGB(255, 0, 0);

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The design's font at pixelHeightAt96, at dpi; raises on failure.
GdiObject WindowFont(int pixelHeightAt96, UINT dpi) {
    GdiObject font = CreateDesignFont("MS Sans Serif", ScaleToDpi(pixelHeightAt96, dpi));
    if (!font) throw std::runtime_error(kOutOfMemoryText);
    return font;
}

SIZE TextSize(HWND hwnd, const GdiObject& font, const char* text) noexcept {
    SIZE size{};
    HDC dc = ::GetDC(hwnd);
    HGDIOBJ previous = ::SelectObject(dc, font.get());
    ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(hwnd, dc);
    return size;
}

std::optional<MenuCommand> MenuCommandOf(int id) {
    switch (id) {
        case IDM_EXIT: return MenuCommand::Exit;
        case IDM_RAW_SMART_DATA: return MenuCommand::RawSmartData;
        case IDM_HEALTH_HISTORY: return MenuCommand::HealthHistory;
        case IDM_ABOUT: return MenuCommand::About;
        case IDM_LICENSE: return MenuCommand::License;
        case IDM_ABOUT_NSIS: return MenuCommand::AboutInstaller;
        default: return std::nullopt;
    }
}

}  // namespace

MainWindow::MainWindow(DriveSources sources) : sources_(sources), logic_(table_, sources.Pipes, *this) {
    try {
        updates_ = std::make_unique<MainWindowUpdateSide>(table_, logic_, MainWindowCaption(update::AppVersion));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(kOutOfMemoryText);
    }
}

MainWindow::~MainWindow() {
    if (hwnd_) {
        // The window must not call back into a destroyed object.
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool MainWindow::RegisterClasses(HINSTANCE instance) noexcept {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    const bool registered = ::RegisterClassExA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered && RegisterGaugeClass(instance) && RegisterPictureClass(instance) &&
           RegisterHistoryChartClass(instance);
}

void MainWindow::Create() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    // The window does not exist yet: sized at the system's DPI, and again
    // below when the monitor it opened on has another.
    dpi_ = WindowDpi(nullptr);
    RECT rect{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    ::AdjustWindowRectEx(&rect, kWindowStyle, TRUE, 0);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const std::string caption = MainWindowCaption(update::AppVersion);
    HWND created = ::CreateWindowExA(0, kMainWindowClass, caption.c_str(), kWindowStyle,
                                     (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                     (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, menu,
                                     instance, this);
    if (!created) {
        if (menu) ::DestroyMenu(menu);
        throw std::runtime_error(kOutOfMemoryText);
    }
    updates_->AttachWindow(hwnd_);
    if (const UINT dpi = WindowDpi(hwnd_); dpi != dpi_) {
        dpi_ = dpi;
        RECT window;
        RECT client;
        ::GetWindowRect(hwnd_, &window);
        ::GetClientRect(hwnd_, &client);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, Scale(kClientWidth) + (window.right - window.left) - client.right,
                       Scale(kClientHeight) + (window.bottom - window.top) - client.bottom,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    CreateControls();
}

bool MainWindow::CheckStartup(std::int32_t comSecurityResult) {
    return logic_.CheckStartup(comSecurityResult, sources_.Wmi);
}

void MainWindow::Show(int showCommand) {
    ::ShowWindow(hwnd_, showCommand);
    ::UpdateWindow(hwnd_);
    ::PostMessageA(hwnd_, kFormShowMessage, 0, 0);
}

int MainWindow::Scale(int size) const noexcept { return ScaleToDpi(size, dpi_); }

// Placed by LayOut.
void MainWindow::AddLabel(const char* text, int x, int y, bool small, bool afterTemperatureWord) {
    HWND label = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, hwnd_,
                                   ControlId(nextLabelId_++), nullptr, nullptr);
    if (!label) throw std::runtime_error(kOutOfMemoryText);
    labels_.push_back({label, text, x, y, small, afterTemperatureWord});
    SetControlFont(label, small ? degreeFont_ : font_);
}

void MainWindow::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    font_ = WindowFont(kFontPixels, dpi_);
    degreeFont_ = WindowFont(kDegreeFontPixels, dpi_);
    overTemperatureBrush_ = GdiObject(::CreateSolidBrush(kOverTemperatureColour));
    if (!overTemperatureBrush_) throw std::runtime_error(kOutOfMemoryText);
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

    toolbar_.Create(hwnd_, *this, dpi_);

    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const int y = kFirstRowY + static_cast<int>(i) * kRowStep;
        AddLabel(kFieldLabels[i], kLabelX, y + 3);
        // Read-only and skipped by the Tab key.
        fields_[i] =
            ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, 0,
                              0, 0, hwnd_, ControlId(IDC_FIELD_FIRST + static_cast<int>(i)), instance, nullptr);
        if (!fields_[i]) throw std::runtime_error(kOutOfMemoryText);
        SetControlFont(fields_[i], font_);
    }

    // The small raised "o" and the "C" after "Temperature" read as "degrees C".
    const int temperatureY = kFirstRowY + static_cast<int>(FieldId::Temperature) * kRowStep;
    AddLabel("o", 0, temperatureY, true, true);
    AddLabel("C", 6, temperatureY + 3, false, true);

    AddLabel("SSD life meter ", kLabelX, kGaugeY + 9);
    gauge_ = ::CreateWindowExA(0, kGaugeClass, "CGSSD_Life", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                               ControlId(IDC_GAUGE), instance, nullptr);
    HWND banner = ::CreateWindowExA(0, kPictureClass, VELMORA_RES_BANNER, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                    ControlId(IDC_BANNER), instance, nullptr);
    if (!gauge_ || !banner) throw std::runtime_error(kOutOfMemoryText);
    LayOut();
}

void MainWindow::LayOut() noexcept {
    constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
    const int temperatureWordEnd = Scale(kLabelX) + TextSize(hwnd_, font_, kTemperatureWord).cx;
    // The "C" starts where the degree sign's label ends, whatever the fonts'
    // widths at this scale.
    int previousEnd = 0;
    for (const LabelSlot& slot : labels_) {
        const SIZE size = TextSize(hwnd_, slot.Small ? degreeFont_ : font_, slot.Text);
        int x = Scale(slot.X);
        if (slot.AfterTemperatureWord) x = std::max(temperatureWordEnd + x, previousEnd);
        ::SetWindowPos(slot.Label, nullptr, x, Scale(slot.Y), size.cx + 2, size.cy + 1, kPlace);
        previousEnd = x + size.cx + 2;
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        ::SetWindowPos(fields_[i], nullptr, Scale(kFieldX), Scale(kFirstRowY + static_cast<int>(i) * kRowStep),
                       Scale(kFieldWidth), Scale(kFieldHeight), kPlace);
    }
    ::SetWindowPos(gauge_, nullptr, Scale(kFieldX), Scale(kGaugeY), Scale(kFieldWidth), Scale(kGaugeHeight), kPlace);
    ::SetWindowPos(::GetDlgItem(hwnd_, IDC_BANNER), nullptr, Scale(kBannerX), Scale(kBannerY), Scale(kBannerWidth),
                   Scale(kBannerHeight), kPlace);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    GdiObject font = WindowFont(kFontPixels, dpi);
    GdiObject degreeFont = WindowFont(kDegreeFontPixels, dpi);
    dpi_ = dpi;
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The old fonts, now in the locals, go once the controls have the new ones.
    std::swap(font_, font);
    std::swap(degreeFont_, degreeFont);
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (const LabelSlot& slot : labels_) SetControlFont(slot.Label, slot.Small ? degreeFont_ : font_);
    for (HWND field : fields_) SetControlFont(field, font_);
    toolbar_.ApplyDpi(dpi_);
    LayOut();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- the view

void MainWindow::SetFieldText(FieldId field, const std::string& text) {
    ::SetWindowTextA(fields_[static_cast<std::size_t>(field)], text.c_str());
}

void MainWindow::SetTemperatureColour(TemperatureColour colour) {
    temperatureColour_ = colour;
    ::InvalidateRect(fields_[static_cast<std::size_t>(FieldId::Temperature)], nullptr, TRUE);
}

void MainWindow::SetGaugePosition(int percent) {
    ::SendMessageA(gauge_, kGaugeSetPosition, static_cast<WPARAM>(percent), 0);
}

void MainWindow::SetStatusPicture(std::string_view resourceName) { toolbar_.SetStatusPicture(resourceName); }

void MainWindow::SetDriveButtonImage(int button, int image) { toolbar_.SetDriveImage(button, image); }

void MainWindow::SetRefreshButtonImage(int image) { toolbar_.SetRefreshImage(image); }

void MainWindow::ProcessPendingMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The outer loop must still see it.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void MainWindow::ShowWarning(std::string_view text) { ShowMessage(MessageKind::Warning, text, MessageButton::Yes); }

void MainWindow::ShowMessage(MessageKind kind, std::string_view text, MessageButton button) {
    // Before the window is shown the box stands on its own.
    HWND owner = hwnd_ && ::IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
    (void)ShowMessageBox(owner, kind, text, button);
}

void MainWindow::SetGaugeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    ::SendMessageA(gauge_, kGaugeSetColour, 0, static_cast<LPARAM>(RGB(red, green, blue)));
}

void MainWindow::StartFirstTickTimer() { ::SetTimer(hwnd_, kFirstTickTimer, kFirstTickMs, nullptr); }

void MainWindow::CloseWindow() { ::PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::OpenRawSmartWindow() {
    RawSmartWindow window(sources_.Wmi, sources_.Devices, sources_.Pipes);
    (void)window.Run(hwnd_);
}

void MainWindow::OpenHealthHistoryWindow(const DriveInfo* shownDrive) {
    HealthHistoryWindow window(HistoryDatabasePath(), shownDrive);
    (void)window.Run(hwnd_);
}

void MainWindow::OpenAboutWindow() {
    RunAboutWindow(hwnd_);
}

void MainWindow::OpenLicenseWindow() {
    RunLicenseWindow(hwnd_);
}

void MainWindow::OpenInstallerLicenseWindow() {
    RunNsisLicenseWindow(hwnd_);
}

// ---- events

bool MainWindow::AllowDrivePress(int tag) noexcept {
    return GuardHandler(hwnd_, [&] { logic_.DriveButtonMouseDown(tag); });
}

void MainWindow::OnCommand(int id) {
    switch (id) {
        case IDM_CHECK_FOR_UPDATES:
            Updates().CheckForUpdates();
            return;
        case IDM_CONNECTION_SETTINGS:
            Updates().ConnectionSettings();
            return;
        case IDM_CHECK_ON_STARTUP:
            Updates().ToggleCheckOnStartUp();
            return;
        default:
            break;
    }
    if (id >= IDC_DRIVE_BUTTON_FIRST && id < IDC_DRIVE_BUTTON_FIRST + kDriveButtonCount) {
        logic_.DriveButtonClick(id - IDC_DRIVE_BUTTON_FIRST);
    } else if (id == IDC_REFRESH_BUTTON) {
        logic_.RefreshClick();
    } else if (const auto command = MenuCommandOf(id)) {
        logic_.MenuCommandChosen(*command);
    }
}

LRESULT MainWindow::FieldColour(HWND field, HDC dc) noexcept {
    const bool red = field == fields_[static_cast<std::size_t>(FieldId::Temperature)] &&
                     temperatureColour_ == TemperatureColour::Red;
    ::SetBkColor(dc, red ? kOverTemperatureColour : ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(red ? static_cast<HBRUSH>(overTemperatureBrush_.get())
                                         : ::GetSysColorBrush(COLOR_WINDOW));
}

LRESULT MainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kFormShowMessage:
            logic_.FormShow(sources_.Wmi, sources_.Devices);
            return 0;
        case WM_COMMAND:
            if (DeferWhileWaiting(message, wParam, lParam)) return 0;
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kFirstTickTimer) {
                // The tick is one-shot whatever its work does.
                ::KillTimer(hwnd_, kFirstTickTimer);
                Updates().FirstTick();
            }
            return 0;
        case WM_ENTERMENULOOP:
        case WM_ENTERSIZEMOVE:
            systemLoop_.emplace();
            break;
        case WM_EXITMENULOOP:
        case WM_EXITSIZEMOVE:
            systemLoop_.reset();
            break;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            for (HWND field : fields_) {
                if (reinterpret_cast<HWND>(lParam) == field) return FieldColour(field, reinterpret_cast<HDC>(wParam));
            }
            break;
        case WM_CLOSE:
            if (!CloseNow()) return 0;
            break;
        case WM_DESTROY:
            // Nothing of the update side may use the window from here on.
            Updates().OwnerGone();
            ::KillTimer(hwnd_, kFirstTickTimer);
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    const bool handled = GuardHandler(hwnd, [&] { result = self->Dispatch(message, wParam, lParam); });
    // The outermost update command has returned: a deferred close happens now.
    if (self->closePending_ && !self->Updates().Busy() && !self->sources_.Calls.Busy()) {
        self->closePending_ = false;
        ::DestroyWindow(hwnd);
    }
    return handled ? result : 0;
}

bool MainWindow::DeferWhileWaiting(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (!sources_.Calls.Busy()) return false;
    ::PostMessageA(hwnd_, message, wParam, lParam);
    return true;
}

bool MainWindow::CloseNow() noexcept {
    if (!Updates().Busy() && !sources_.Calls.Busy()) return true;
    // A check waiting on the network, a dialog of an update command, or a
    // refresh waiting for the worker is still on the stack below: stop the
    // update side, and close once all have returned.
    if (Updates().Busy()) Updates().OwnerGone();
    closePending_ = true;
    return false;
}

}  // namespace velmora::win
