#pragma once
// The common save-file dialog with its settings as a plain struct.

#include <windows.h>

#include <optional>
#include <string>

namespace velmora::win {

struct SaveFileSettings {
    std::string SuggestedName;
    std::string FilterDescription;
    std::string FilterPattern;  // empty: no filter at all
    // Appended when the user types a name without an extension; empty: none.
    std::string DefaultExtension;
    bool OverwritePrompt = true;
    bool HideReadOnly = true;
    bool Resizable = true;
};

// The OPENFILENAME flags the settings ask for.
[[nodiscard]] DWORD SaveFileFlags(const SaveFileSettings& settings) noexcept;

// The chosen path (system code page), or none when the user cancelled.
// Raises std::runtime_error when the dialog itself fails.
[[nodiscard]] std::optional<std::string> ChooseSaveFile(HWND owner, const SaveFileSettings& settings);

}  // namespace velmora::win
