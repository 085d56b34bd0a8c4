#pragma once
// Everything the update flow asks of the main window: boxes it owns, the
// save dialog, its caption, the start-up question, the connection settings
// dialog, the "&Updates" menu and a refresh of the shown drive. The window
// implements it; tests record it. Once the window has gone (UpdateFlow::
// OwnerGone) the flow calls nothing here but CloseOwnedWindows, once.

#include <optional>
#include <string>

#include "update/ProxySettings.h"
#include "update/SettingsStore.h"

namespace velmora::update {

enum class InfoButton { Yes, Ok };  // the single button of an information box

// The start-up question TFCheckForUpdates as it was closed.
struct StartupAnswer {
    bool Yes = false;      // closed with Yes; No, Esc and closing all count as not Yes
    bool DontAsk = false;  // CBDontAsk was checked
};

class UpdateWindowSide {
public:
    virtual ~UpdateWindowSide() = default;

    // A confirmation box with Yes and No; true only for Yes.
    [[nodiscard]] virtual bool Confirm(const std::string& text) = 0;
    // An information box with one button.
    virtual void Inform(const std::string& text, InfoButton button) = 0;
    // An error box with a single Yes button.
    virtual void ShowError(const std::string& text) = 0;
    // The save dialog with the file name preset and the overwrite prompt on;
    // the chosen path, or nullopt when cancelled.
    [[nodiscard]] virtual std::optional<std::string> ChooseSaveFile(const std::string& proposedName) = 0;
    virtual void SetCaption(const std::string& text) = 0;

    // The start-up question, shown modally; the dialog decides nothing.
    [[nodiscard]] virtual StartupAnswer AskStartupQuestion() = 0;
    // The connection settings dialog, modal: it edits proxy and saves it in
    // store, or leaves both alone when cancelled.
    virtual void EditConnectionSettings(ProxySettings& proxy, SettingsStore& store) = 0;

    // The check mark of "Check on start up".
    [[nodiscard]] virtual bool CheckOnStartUpMarked() = 0;
    virtual void MarkCheckOnStartUp(bool checked) = 0;
    // "&Updates" on the menu bar (TMICheckForUpdates), disabled until the
    // first tick has run.
    virtual void EnableUpdatesMenu() = 0;
    // The shown drive's values read again (NewFirmwareVersion may have changed).
    virtual void ShowSelectedDrive() = 0;

    // The window is going: every modal window it owns (boxes, dialogs, the
    // save dialog) is asked to close, so their loops end.
    virtual void CloseOwnedWindows() noexcept = 0;
};

}  // namespace velmora::update
