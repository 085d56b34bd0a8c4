#include "common/win/DriveSetConfig.h"

#include <vector>

#include "common/win/UniqueHandle.h"

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
    return ReadSimulatedDrivesSetting(HKEY_LOCAL_MACHINE, kDriveSetKeyPath);
}

std::optional<std::string> ReadSimulatedDrivesSetting(HKEY root, const char* subKey) {
    RegistryKey key;
    // The 64-bit view whatever the program's bitness: one setting per machine.
    if (::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), kSimulatedDrivesValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxValueBytes) return std::nullopt;
    // One spare byte: a stored string need not end in NUL.
    std::vector<char> bytes(size + 1, '\0');
    DWORD got = size;
    if (::RegQueryValueExA(key.get(), kSimulatedDrivesValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(bytes.data()), &got) != ERROR_SUCCESS ||
        got > size || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;  // changed between the two reads: treat as absent
    }
    std::string text(bytes.data(), got);
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    if (type == REG_EXPAND_SZ) {
        std::optional<std::string> expanded = Expand(text);
        if (!expanded) return std::nullopt;
        text = std::move(*expanded);
    }
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace velmora::win
