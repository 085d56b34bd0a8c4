#include "app/win/MainWindowUpdateSide.h"

#include <memory>
#include <utility>

#include "app/win/AppResources.h"
#include "app/win/CheckForUpdatesDialog.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/ProxySetupDialog.h"
#include "app/win/SaveFileDialog.h"
#include "update/HttpUpdateTransport.h"

namespace velmora::win {

namespace {

// "&Updates" on the menu bar.
constexpr UINT kUpdatesMenuPosition = 1;

// The save dialog of a download: the offer's file name preset, the overwrite
// prompt on; no filter, default extension, title or initial folder.
SaveFileSettings DownloadSaveSettings(const std::string& proposedName) {
    SaveFileSettings settings;
    settings.SuggestedName = proposedName;
    settings.OverwritePrompt = true;
    return settings;
}

}  // namespace

MainWindowUpdateSide::MainWindowUpdateSide(DriveTable& drives, MainWindowLogic& logic, std::string baseCaption)
    : logic_(logic),
      flow_(drives, store_, hosts_, trust_, crypto_,
            std::make_unique<update::HttpUpdateTransport>(sockets_, requestClock_, files_), downloadFiles_, *this,
            std::move(baseCaption)) {}

bool MainWindowUpdateSide::Confirm(const std::string& text) {
    return ShowConfirmBox(window_, text);
}

void MainWindowUpdateSide::Inform(const std::string& text, update::InfoButton button) {
    (void)ShowMessageBox(window_, MessageKind::Information, text,
                         button == update::InfoButton::Yes ? MessageButton::Yes : MessageButton::Ok);
}

void MainWindowUpdateSide::ShowError(const std::string& text) {
    (void)ShowMessageBox(window_, MessageKind::Error, text, MessageButton::Yes);
}

std::optional<std::string> MainWindowUpdateSide::ChooseSaveFile(const std::string& proposedName) {
    return win::ChooseSaveFile(window_, DownloadSaveSettings(proposedName));
}

void MainWindowUpdateSide::SetCaption(const std::string& text) { ::SetWindowTextA(window_, text.c_str()); }

update::StartupAnswer MainWindowUpdateSide::AskStartupQuestion() {
    CheckForUpdatesDialog dialog;
    return dialog.Ask(window_);
}

void MainWindowUpdateSide::EditConnectionSettings(update::ProxySettings& proxy, update::SettingsStore& store) {
    ProxySetupDialog dialog(proxy, store);
    (void)dialog.Run(window_);
}

bool MainWindowUpdateSide::CheckOnStartUpMarked() {
    return (::GetMenuState(::GetMenu(window_), IDM_CHECK_ON_STARTUP, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void MainWindowUpdateSide::MarkCheckOnStartUp(bool checked) {
    ::CheckMenuItem(::GetMenu(window_), IDM_CHECK_ON_STARTUP, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindowUpdateSide::EnableUpdatesMenu() {
    ::EnableMenuItem(::GetMenu(window_), kUpdatesMenuPosition, MF_BYPOSITION | MF_ENABLED);
    ::DrawMenuBar(window_);
}

void MainWindowUpdateSide::ShowSelectedDrive() { logic_.ShowSelectedDrive(); }

void MainWindowUpdateSide::CloseOwnedWindows() noexcept {
    if (!window_) return;
    // Every window of this thread that the main window owns, directly or
    // through another (message boxes, dialogs, a box over a dialog, the save
    // dialog).
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
        reinterpret_cast<LPARAM>(window_));
}

}  // namespace velmora::win
