#include "update/win/RegistryUpdateHost.h"

#include <vector>

#include "update/SettingsNames.h"
#include "common/win/UniqueHandle.h"

namespace velmora::update::win {

namespace {

// A host and port are short; a huge value is not one to use.
constexpr DWORD kMaxValueBytes = 4096;

}  // namespace

RegistryUpdateHost::RegistryUpdateHost() : RegistryUpdateHost(HKEY_LOCAL_MACHINE, kSettingsKey) {}

RegistryUpdateHost::RegistryUpdateHost(HKEY root, std::string subKey) : root_(root), subKey_(std::move(subKey)) {}

UpdateHostSetting RegistryUpdateHost::ReadUpdateHost() {
    using State = UpdateHostSetting::State;
    velmora::win::RegistryKey key;
    LONG status = ::RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return {State::Absent, {}};
    if (status != ERROR_SUCCESS) return {State::Unreadable, {}};

    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExA(key.get(), setting::UpdateHost, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return {State::Absent, {}};
    if (status != ERROR_SUCCESS || type != REG_SZ || size > kMaxValueBytes) return {State::Unreadable, {}};
    std::vector<char> bytes(size + 1, '\0');  // a stored text need not end in NUL
    DWORD got = size;
    status = ::RegQueryValueExA(key.get(), setting::UpdateHost, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                                &got);
    if (status != ERROR_SUCCESS || type != REG_SZ || got > size) return {State::Unreadable, {}};
    std::string text(bytes.data(), got);
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    return {State::Text, std::move(text)};
}

}  // namespace velmora::update::win
