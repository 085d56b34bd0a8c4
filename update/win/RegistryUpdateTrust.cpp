#include "update/win/RegistryUpdateTrust.h"

#include "common/win/Registry.h"
#include "update/SettingsNames.h"

namespace velmora::update::win {

namespace {

namespace registry = velmora::win::registry;

// A base64 point is 88 characters; a huge value is not one.
constexpr DWORD kMaxKeyTextBytes = 4096;

}  // namespace

UpdateTrustSettings RegistryUpdateTrust::ReadUpdateTrust() {
    UpdateTrustSettings settings;
    const registry::OpenedKey opened =
        registry::Open(HKEY_LOCAL_MACHINE, kRegistryKeyPath, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (opened.Status != ERROR_SUCCESS) return settings;

    registry::TextValue key =
        registry::ReadText(opened.Key.get(), setting::UpdateTrustedKey, registry::TextTypes::Plain, kMaxKeyTextBytes);
    switch (key.State) {
    case registry::ValueState::Read: settings.TrustedKey = std::move(key.Text); break;
    case registry::ValueState::WrongType:
    case registry::ValueState::TooLarge: settings.TrustedKey = std::string(); break;
    case registry::ValueState::Missing:
    case registry::ValueState::Failed: break;
    }
    const registry::DwordValue require = registry::ReadDword(opened.Key.get(), setting::RequireSignedUpdates);
    settings.RequireSigned = require.State != registry::ValueState::Read || require.Value != 0;
    return settings;
}

}  // namespace velmora::update::win
