#include "update/UpdateSettings.h"

#include "update/SettingsNames.h"

namespace velmora::update {

StoredSettings ReadSettingsReadOnly(SettingsStore& store) {
    StoredSettings settings;
    const std::unique_ptr<SettingsKey> key = store.Open(SettingsAccess::ReadOnly);
    if (!key) return settings;
    auto readBool = [&](const char* name) { return key->ValueExists(name) && key->ReadBool(name); };
    settings.UpdatesAutoCheck = readBool(setting::UpdatesAutoCheck);
    settings.UpdatesDontAsk = readBool(setting::UpdatesDontAsk);
    settings.Proxy.Enabled = readBool(setting::HTTP_Proxy);
    settings.Proxy.Address = key->ReadString(setting::HTTP_ProxyAddress);
    if (key->ValueExists(setting::HTTP_ProxyPort)) settings.Proxy.Port = key->ReadInteger(setting::HTTP_ProxyPort);
    return settings;
}

}  // namespace velmora::update
