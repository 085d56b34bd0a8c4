#include "app/win/SaveFileDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "app/win/ModalClockHold.h"

namespace velmora::win {

namespace {

// Long paths are allowed; the dialog reports a name too long for this.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

DWORD SaveFileFlags(const SaveFileSettings& settings) noexcept {
    DWORD flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (settings.OverwritePrompt) flags |= OFN_OVERWRITEPROMPT;
    if (settings.HideReadOnly) flags |= OFN_HIDEREADONLY;
    if (settings.Resizable) flags |= OFN_ENABLESIZING;
    return flags;
}

std::optional<std::string> ChooseSaveFile(HWND owner, const SaveFileSettings& settings) {
    // "description\0pattern\0\0"
    std::string filter = settings.FilterDescription;
    filter.push_back('\0');
    filter += settings.FilterPattern;
    filter.push_back('\0');
    filter.push_back('\0');

    std::vector<char> path(kPathCapacity, '\0');
    settings.SuggestedName.copy(path.data(), std::min<std::size_t>(settings.SuggestedName.size(), path.size() - 1));

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    // Without a pattern the dialog lists every file and offers no filter.
    const bool filtered = !settings.FilterPattern.empty();
    dialog.lpstrFilter = filtered ? filter.c_str() : nullptr;
    dialog.nFilterIndex = filtered ? 1 : 0;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrDefExt = settings.DefaultExtension.empty() ? nullptr : settings.DefaultExtension.c_str();
    dialog.Flags = SaveFileFlags(settings);
    const ModalClockHold hold;
    if (::GetSaveFileNameA(&dialog)) return std::string(path.data());
    const DWORD error = ::CommDlgExtendedError();
    if (error == 0) return std::nullopt;  // cancelled
    throw std::runtime_error("The save dialog failed (" + std::to_string(error) + ").");
}

}  // namespace velmora::win
