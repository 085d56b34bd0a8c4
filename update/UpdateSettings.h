#pragma once
// The update settings as the console reads them: what is stored, defaults
// for whatever is missing; nothing is written and the key is never created.
// The toolbox loads and changes them in UpdateFlow. Every failure of the
// store is a SettingsError with the text to show.

#include "update/ProxySettings.h"
#include "update/SettingsStore.h"

namespace velmora::update {

struct StoredSettings {
    bool UpdatesAutoCheck = false;
    bool UpdatesDontAsk = false;
    ProxySettings Proxy;

    friend bool operator==(const StoredSettings&, const StoredSettings&) = default;
};
[[nodiscard]] StoredSettings ReadSettingsReadOnly(SettingsStore& store);

}  // namespace velmora::update
