#include "app/win/UpdateCommandSet.h"

#include <memory>
#include <utility>

#include "update/HttpUpdateTransport.h"
#include "update/UpdateSettings.h"
#include "app/win/AppResources.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/ProxySetupDialog.h"

namespace velmora::win {

namespace {

// "&Updates" on the menu bar.
constexpr UINT kUpdatesMenuPosition = 1;

// Asks every window of this thread that the main window owns, directly or
// through another (message boxes, dialogs, a box over a dialog, the save
// dialog), to close, so their modal loops end.
void CloseOwnedWindows(HWND owner) noexcept {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            for (HWND up = ::GetWindow(hwnd, GW_OWNER); up; up = ::GetWindow(up, GW_OWNER)) {
                if (up == reinterpret_cast<HWND>(data)) {
                    ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
                    break;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(owner));
}

}  // namespace

UpdateCommandSet::UpdateCommandSet(DriveTable& drives, MainWindowLogic& logic, std::string baseCaption)
    : logic_(logic),
      checker_(drives, proxy_, std::move(baseCaption),
               std::make_unique<update::HttpUpdateTransport>(sockets_, clock_, files_), hosts_, ui_) {}

void UpdateCommandSet::AttachWindow(HWND window) noexcept {
    window_ = window;
    ui_.SetWindow(window);
    question_.SetOwner(window);
}

void UpdateCommandSet::OwnerGone() noexcept {
    if (gone_) return;
    gone_ = true;
    checker_.OwnerGone();
    ui_.SetWindow(nullptr);
    if (window_) CloseOwnedWindows(window_);
}

template <typename Command>
void UpdateCommandSet::RunCommand(Command&& command) {
    if (gone_) return;
    ++depth_;
    try {
        command();
    } catch (...) {
        --depth_;
        if (gone_) return;
        throw;
    }
    --depth_;
}

void UpdateCommandSet::Timer1Timer() {
    RunCommand([&] { update::RunFirstTick(store_, question_, checker_, autoCheckUpdates_, proxy_, *this); });
}

void UpdateCommandSet::Checkforupdates2Click() {
    RunCommand([&] { update::RunCheckForUpdates(checker_, *this); });
}

void UpdateCommandSet::Connectionsettings1Click() {
    RunCommand([&] {
        ProxySetupDialog dialog(proxy_, store_);
        (void)dialog.Run(window_);
    });
}

void UpdateCommandSet::TMCheckOnStartUpClick() {
    RunCommand([&] {
        HMENU menu = ::GetMenu(window_);
        const bool wasChecked = (::GetMenuState(menu, IDM_CHECK_ON_STARTUP, MF_BYCOMMAND) & MF_CHECKED) != 0;
        // The mark flips first, as the click itself flips it; the store follows.
        ::CheckMenuItem(menu, IDM_CHECK_ON_STARTUP, MF_BYCOMMAND | (wasChecked ? MF_UNCHECKED : MF_CHECKED));
        (void)update::ToggleCheckOnStartUp(store_, wasChecked, autoCheckUpdates_);
    });
}

void UpdateCommandSet::SetCheckOnStartUpMark() {
    if (gone_) return;
    ::CheckMenuItem(::GetMenu(window_), IDM_CHECK_ON_STARTUP, MF_BYCOMMAND | MF_CHECKED);
}

void UpdateCommandSet::ShowStartupCheckError(const std::string& text) {
    if (gone_) return;
    (void)ShowMessageBox(window_, MessageKind::Error, text, MessageButton::Yes);
}

void UpdateCommandSet::ShowSelectedDrive() {
    if (!gone_) logic_.ShowSelectedDrive();
}

void UpdateCommandSet::EnableUpdatesMenu() {
    if (gone_) return;
    ::EnableMenuItem(::GetMenu(window_), kUpdatesMenuPosition, MF_BYPOSITION | MF_ENABLED);
    ::DrawMenuBar(window_);
}

}  // namespace velmora::win
