#pragma once
// TFCheckForUpdates, the start-up question: whether to check for updates at
// start-up, and "Don't ask again". Modal, owned by the main window; Yes is
// the default button, No the cancel button (Esc and the close box answer
// No as well). The dialog decides nothing; the update flow reads its answer.
// Its texts are update::startup_question's.

#include <windows.h>

#include "update/UpdateWindowSide.h"
#include "app/win/ModalWindow.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

class CheckForUpdatesDialog final : public ModalWindow {
public:
    // Shows the dialog until it closes.
    [[nodiscard]] update::StartupAnswer Ask(HWND owner);

private:
    [[nodiscard]] ModalFrame Frame() const override;
    void OnInit() override;
    bool OnCommand(int id, int notifyCode) override;

    GdiObject font_;
    bool dontAsk_ = false;
};

}  // namespace velmora::win
