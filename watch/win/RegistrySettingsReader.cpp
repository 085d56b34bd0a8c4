#include "watch/win/RegistrySettingsReader.h"

#include "common/RegistryNames.h"
#include "common/win/Registry.h"

namespace velmora::win {

namespace {

// A command line longer than this is no command line an administrator wrote.
constexpr DWORD kMaxTextBytes = 32 * 1024;

}  // namespace

watch::SettingValue RegistrySettingsReader::Read(const char* name) {
    using Kind = watch::SettingValue::Kind;
    watch::SettingValue value;
    const registry::OpenedKey key = registry::Open(HKEY_LOCAL_MACHINE, kRegistryKeyPath, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (key.Status != ERROR_SUCCESS || !registry::ValueExists(key.Key.get(), name)) return value;
    const registry::DwordValue number = registry::ReadDword(key.Key.get(), name);
    if (number.State == registry::ValueState::Read) {
        value.Type = Kind::Number;
        value.Number = number.Value;
        return value;
    }
    const registry::TextValue text = registry::ReadText(key.Key.get(), name, registry::TextTypes::Plain, kMaxTextBytes);
    if (text.State == registry::ValueState::Read) {
        value.Type = Kind::Text;
        value.Text = text.Text;
        return value;
    }
    value.Type = Kind::OtherType;
    return value;
}

}  // namespace velmora::win
