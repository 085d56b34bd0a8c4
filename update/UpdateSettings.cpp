#include "update/UpdateSettings.h"

#include "update/SettingsNames.h"

namespace velmora::update {

namespace {

std::unique_ptr<SettingsKey> OpenForWriting(SettingsStore& store) {
    std::unique_ptr<SettingsKey> key = store.Open(SettingsAccess::CreateReadWrite);
    if (!key) throw CannotOpenKey();
    return key;
}

}  // namespace

void LoadSettings(SettingsStore& store, StartupQuestion& question, std::uint8_t& autoCheckUpdates,
                  ProxySettings& proxy) {
    const std::unique_ptr<SettingsKey> key = OpenForWriting(store);

    for (const char* name : {setting::UpdatesAutoCheck, setting::UpdatesDontAsk, setting::HTTP_Proxy}) {
        if (!key->ValueExists(name)) key->WriteBool(name, false);
    }
    if (!key->ValueExists(setting::HTTP_ProxyPort)) key->WriteInteger(setting::HTTP_ProxyPort, 0);

    proxy.Enabled = key->ReadBool(setting::HTTP_Proxy);
    proxy.Address = key->ReadString(setting::HTTP_ProxyAddress);
    proxy.Port = key->ReadInteger(setting::HTTP_ProxyPort);
    autoCheckUpdates = key->ReadBool(setting::UpdatesAutoCheck) ? 1 : 0;
    const bool dontAsk = key->ReadBool(setting::UpdatesDontAsk);

    if (!dontAsk) {
        const StartupAnswer answer = question.Ask();
        autoCheckUpdates = answer.Yes ? 1 : 0;
        if (answer.DontAsk) {
            key->WriteBool(setting::UpdatesAutoCheck, autoCheckUpdates != 0);
            key->WriteBool(setting::UpdatesDontAsk, true);
        }
    }
}

bool ToggleCheckOnStartUp(SettingsStore& store, bool wasChecked, std::uint8_t& autoCheckUpdates) {
    const bool checked = !wasChecked;
    autoCheckUpdates = checked ? 1 : 0;
    const std::unique_ptr<SettingsKey> key = OpenForWriting(store);
    key->WriteBool(setting::UpdatesAutoCheck, checked);
    return checked;
}

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
