#pragma once
// What the update flow shows, on the main window: confirmations and
// information boxes (our own box, owned by the main window), the system's
// save dialog, and the progress in the main window's caption. Once the
// window is detached nothing is shown any more.

#include <windows.h>

#include <optional>
#include <string>

#include "update/UpdateUi.h"
#include "app/win/SaveFileDialog.h"

namespace velmora::win {

// The save dialog of a download: the offer's file name preset, the overwrite
// prompt on; no filter, default extension, title or initial folder.
[[nodiscard]] SaveFileSettings DownloadSaveSettings(const std::string& proposedName);

class UpdateWindowUi final : public update::UpdateUi {
public:
    // window: the main window, or null when it has gone.
    void SetWindow(HWND window) noexcept { window_ = window; }

    [[nodiscard]] bool Confirm(const std::string& text) override;
    void Inform(const std::string& text, update::InfoButton button) override;
    [[nodiscard]] std::optional<std::string> ChooseSaveFile(const std::string& proposedName) override;
    void SetCaption(const std::string& text) override;

private:
    HWND window_ = nullptr;
};

}  // namespace velmora::win
