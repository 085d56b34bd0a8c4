#include "update/win/RegistryUpdateHost.h"

#include "update/SettingsNames.h"
#include "common/win/Registry.h"

namespace velmora::update::win {

namespace {

namespace registry = velmora::win::registry;

// A host and port are short; a huge value is not one to use.
constexpr DWORD kMaxValueBytes = 4096;

}  // namespace

UpdateHostSetting RegistryUpdateHost::ReadUpdateHost() {
    using State = UpdateHostSetting::State;
    const registry::OpenedKey opened = registry::Open(HKEY_LOCAL_MACHINE, kRegistryKeyPath, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (opened.Status == ERROR_FILE_NOT_FOUND) return {State::Absent, {}};
    if (opened.Status != ERROR_SUCCESS) return {State::Unreadable, {}};

    registry::TextValue value =
        registry::ReadText(opened.Key.get(), setting::UpdateHost, registry::TextTypes::Plain, kMaxValueBytes);
    switch (value.State) {
        case registry::ValueState::Read: return {State::Text, std::move(value.Text)};
        case registry::ValueState::Missing: return {State::Absent, {}};
        case registry::ValueState::WrongType:
        case registry::ValueState::TooLarge:
        case registry::ValueState::Failed: break;
    }
    return {State::Unreadable, {}};
}

}  // namespace velmora::update::win
