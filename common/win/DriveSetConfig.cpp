#include "common/win/DriveSetConfig.h"

#include <vector>

#include "common/RegistryNames.h"
#include "common/win/Registry.h"

namespace velmora::win {

namespace {

// A path is far shorter; anything larger is not a path to use.
constexpr DWORD kMaxValueBytes = 64 * 1024;

std::optional<std::string> Expand(const std::string& text) {
    const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0 || needed > kMaxValueBytes) return std::nullopt;
    std::vector<char> buffer(needed);
    const DWORD written = ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), needed);
    if (written == 0 || written > needed) return std::nullopt;
    return std::string(buffer.data());
}

}  // namespace

std::optional<std::string> ReadSimulatedDrivesSetting() {
    return ReadSimulatedDrivesSetting(HKEY_LOCAL_MACHINE, kRegistryKeyPath);
}

std::optional<std::string> ReadSimulatedDrivesSetting(HKEY root, const char* subKey) {
    // The 64-bit view whatever the program's bitness: one setting per machine.
    const registry::OpenedKey opened = registry::Open(root, subKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (opened.Status != ERROR_SUCCESS) return std::nullopt;
    registry::TextValue value = registry::ReadText(opened.Key.get(), kSimulatedDrivesValue,
                                                   registry::TextTypes::PlainOrExpandable, kMaxValueBytes);
    // Missing, another type, too long or unreadable: the machine's own drives.
    if (value.State != registry::ValueState::Read) return std::nullopt;
    std::string text = std::move(value.Text);
    if (value.Type == REG_EXPAND_SZ) {
        std::optional<std::string> expanded = Expand(text);
        if (!expanded) return std::nullopt;
        text = std::move(*expanded);
    }
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace velmora::win
