#pragma once
// What the update flow shows: modal boxes, the save dialog and the main
// window's caption. The window implements it; tests record it.

#include <optional>
#include <string>

namespace velmora::update {

enum class InfoButton { Yes, Ok };  // the single button of an information box

class UpdateUi {
public:
    virtual ~UpdateUi() = default;
    // A confirmation box with Yes and No; true only for Yes.
    [[nodiscard]] virtual bool Confirm(const std::string& text) = 0;
    // An information box with one button.
    virtual void Inform(const std::string& text, InfoButton button) = 0;
    // The save dialog with the file name preset and the overwrite prompt on;
    // the chosen path, or nullopt when cancelled.
    [[nodiscard]] virtual std::optional<std::string> ChooseSaveFile(const std::string& proposedName) = 0;
    virtual void SetCaption(const std::string& text) = 0;
};

}  // namespace velmora::update
