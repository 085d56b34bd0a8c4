#include "app/win/UpdateWindowUi.h"

#include "app/win/MessageBoxWindow.h"

namespace velmora::win {

SaveFileSettings DownloadSaveSettings(const std::string& proposedName) {
    SaveFileSettings settings;
    settings.SuggestedName = proposedName;
    settings.OverwritePrompt = true;
    return settings;
}

bool UpdateWindowUi::Confirm(const std::string& text) { return window_ && ShowConfirmBox(window_, text); }

void UpdateWindowUi::Inform(const std::string& text, update::InfoButton button) {
    if (!window_) return;
    (void)ShowMessageBox(window_, MessageKind::Information, text,
                         button == update::InfoButton::Yes ? MessageButton::Yes : MessageButton::Ok);
}

std::optional<std::string> UpdateWindowUi::ChooseSaveFile(const std::string& proposedName) {
    if (!window_) return std::nullopt;
    return win::ChooseSaveFile(window_, DownloadSaveSettings(proposedName));
}

void UpdateWindowUi::SetCaption(const std::string& text) {
    if (window_) ::SetWindowTextA(window_, text.c_str());
}

}  // namespace velmora::win
