#pragma once
// TFCheckForUpdates, the start-up question: whether to check for updates at
// start-up, and "Don't ask again". Modal, owned by the main window; Yes is
// the default button, No the cancel button (Esc and the close box answer
// No as well). The dialog decides nothing; the update flow reads its answer.

#include <windows.h>

#include "update/UpdateWindowSide.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/ModalWindow.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

inline constexpr const char* kStartupQuestionCaption = kConfirmTitle;  // a confirmation
// The trailing blank is part of the design's text.
inline constexpr char kStartupQuestionText[] =
    "Do you want VELMORA SMART Monitor to automatically check online for latest application and SSD firmware "
    "versions on startup? ";
inline constexpr char kDontAskText[] = "Don't ask again";

class CheckForUpdatesDialog final : public ModalWindow {
public:
    // Shows the dialog until it closes.
    [[nodiscard]] update::StartupAnswer Ask(HWND owner);

private:
    [[nodiscard]] ModalFrame Frame() const override;
    void OnInit() override;
    void LayOut() override;
    bool OnCommand(int id, int notifyCode) override;

    GdiObject font_;
    bool dontAsk_ = false;
};

}  // namespace velmora::win
