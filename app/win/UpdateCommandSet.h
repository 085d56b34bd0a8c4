#pragma once
// The main window's update side: the start-up flag, the proxy settings and
// the update checker with everything it runs on (Winsock, the waits that
// pump messages, files, the registry), and the commands that use them: the
// first tick, "Check for updates", "Connection settings" and "Check on
// start up".
//
// A command may run for long (network waits pump messages) or hold a modal
// dialog. The window asks Busy() before it closes: while busy it calls
// OwnerGone() and destroys itself only once Busy() is false again, so
// nothing here ever meets a destroyed window.

#include <windows.h>

#include <cstdint>
#include <string>

#include "drives/DriveTable.h"
#include "app/MainWindowLogic.h"
#include "update/HttpFileSink.h"
#include "update/ProxySettings.h"
#include "update/UpdateChecker.h"
#include "update/UpdateCommands.h"
#include "update/win/MessagePump.h"
#include "update/win/RegistrySettingsStore.h"
#include "update/win/RegistryUpdateHost.h"
#include "update/win/WinsockSocket.h"
#include "app/win/CheckForUpdatesDialog.h"
#include "app/win/UpdateWindowUi.h"

namespace velmora::win {

class UpdateCommandSet final : public UpdateCommandHandler, private update::UpdateCommandsView {
public:
    // drives and logic are the window's and must outlive this object.
    UpdateCommandSet(DriveTable& drives, MainWindowLogic& logic, std::string baseCaption);
    ~UpdateCommandSet() override = default;
    UpdateCommandSet(const UpdateCommandSet&) = delete;
    UpdateCommandSet& operator=(const UpdateCommandSet&) = delete;

    // The main window, once it exists.
    void AttachWindow(HWND window) noexcept;
    // The window is closing: the transfer is aborted, the modal windows it
    // owns are asked to close, and nothing more is shown. Lasting.
    void OwnerGone() noexcept;
    // True while one of the commands below runs.
    [[nodiscard]] bool Busy() const noexcept { return depth_ > 0; }

    // UpdateCommandHandler
    void Checkforupdates2Click() override;
    void Connectionsettings1Click() override;
    void TMCheckOnStartUpClick() override;
    void Timer1Timer() override;

private:
    // UpdateCommandsView
    void SetCheckOnStartUpMark() override;
    void ShowStartupCheckError(const std::string& text) override;
    void ShowSelectedDrive() override;
    void EnableUpdatesMenu() override;

    // Runs a command counted by Busy(); once the window has gone its
    // failures are dropped, since no one is left to see them.
    template <typename Command>
    void RunCommand(Command&& command);

    MainWindowLogic& logic_;
    HWND window_ = nullptr;
    bool gone_ = false;
    int depth_ = 0;

    std::uint8_t autoCheckUpdates_ = 0;
    update::ProxySettings proxy_;
    WinsockScope winsock_;
    WinsockSocketSystem sockets_;
    MessagePumpClock clock_;
    StdioFileSinkFactory files_;
    update::win::RegistryUpdateHost hosts_;
    update::win::RegistrySettingsStore store_;
    UpdateWindowUi ui_;
    StartupQuestionDialog question_;
    update::UpdateChecker checker_;  // last: destroyed first, while its seams live
};

}  // namespace velmora::win
