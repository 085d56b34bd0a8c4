#pragma once
// The update side of the main window: update::UpdateWindowSide on the main
// window (our message box and the system's save dialog owned by it, its
// caption, the start-up question and connection settings dialogs, the
// "&Updates" menu, the drive refresh through the window logic), and the
// update flow with everything it runs on: Winsock, the waits that pump
// messages, files, the registry.

#include <windows.h>

#include <optional>
#include <string>

#include "app/MainWindowLogic.h"
#include "app/win/ModalClockHold.h"
#include "drives/DriveTable.h"
#include "update/HeldWaitClock.h"
#include "update/HttpFileSink.h"
#include "update/UpdateFlow.h"
#include "update/UpdateWindowSide.h"
#include "update/win/MessagePump.h"
#include "update/win/RegistrySettingsStore.h"
#include "update/win/CngCrypto.h"
#include "update/win/RegistryUpdateHost.h"
#include "update/win/RegistryUpdateTrust.h"
#include "update/win/WinDownloadFiles.h"
#include "update/win/WinsockSocket.h"

namespace velmora::win {

class MainWindowUpdateSide final : public update::UpdateWindowSide {
public:
    // drives and logic are the window's and must outlive this object.
    MainWindowUpdateSide(DriveTable& drives, MainWindowLogic& logic, std::string baseCaption);
    MainWindowUpdateSide(const MainWindowUpdateSide&) = delete;
    MainWindowUpdateSide& operator=(const MainWindowUpdateSide&) = delete;

    // The main window, once it exists; before that no command runs.
    void AttachWindow(HWND window) noexcept { window_ = window; }
    // The window's update commands, Busy() and OwnerGone().
    [[nodiscard]] update::UpdateFlow& Flow() noexcept { return flow_; }

private:
    // update::UpdateWindowSide
    [[nodiscard]] bool Confirm(const std::string& text) override;
    void Inform(const std::string& text, update::InfoButton button) override;
    void ShowError(const std::string& text) override;
    [[nodiscard]] std::optional<std::string> ChooseSaveFile(const std::string& proposedName) override;
    void SetCaption(const std::string& text) override;
    [[nodiscard]] update::StartupAnswer AskStartupQuestion() override;
    void EditConnectionSettings(update::ProxySettings& proxy, update::SettingsStore& store) override;
    [[nodiscard]] bool CheckOnStartUpMarked() override;
    void MarkCheckOnStartUp(bool checked) override;
    void EnableUpdatesMenu() override;
    void ShowSelectedDrive() override;
    void CloseOwnedWindows() noexcept override;

    MainWindowLogic& logic_;
    HWND window_ = nullptr;
    WinsockScope winsock_;
    WinsockSocketSystem sockets_;
    MessagePumpClock clock_;
    // The update requests' clock, held while any modal loop of the window
    // thread runs (a box, a dialog, the menu), so the user's time there is
    // not counted against a request.
    HeldWaitClock requestClock_{clock_};
    ModalClockAttachment modalLoops_{requestClock_};
    StdioFileSinkFactory files_;
    update::win::WinDownloadFiles downloadFiles_;
    CngUpdateCrypto crypto_;
    update::win::RegistryUpdateHost hosts_;
    update::win::RegistryUpdateTrust trust_;
    update::win::RegistrySettingsStore store_;
    update::UpdateFlow flow_;  // last: destroyed first, while its seams live
};

}  // namespace velmora::win
