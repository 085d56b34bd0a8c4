#pragma once
// Loading and changing the update checker's settings: the main window's
// first tick, the "Check on start up" toggle, and the console's read-only
// view. Every failure of the store is a SettingsError with the text to show.

#include <cstdint>

#include "update/ProxySettings.h"
#include "update/SettingsStore.h"
#include "update/StartupQuestion.h"

namespace velmora::update {

// The first tick: opens (creates) the key, writes the missing defaults
// (UpdatesAutoCheck, UpdatesDontAsk, HTTP_Proxy false, HTTP_ProxyPort 0;
// never HTTP_ProxyAddress), reads all five, and asks the start-up question
// unless UpdatesDontAsk; its answer is stored only with "Don't ask again".
// autoCheckUpdates and proxy are the window's fields, set as they are read,
// so a failure part way leaves what was read so far. The check mark on
// "Check on start up" follows autoCheckUpdates afterwards (RunFirstTick).
void LoadSettings(SettingsStore& store, StartupQuestion& question, std::uint8_t& autoCheckUpdates,
                  ProxySettings& proxy);

// "Check on start up": flips the check state, sets autoCheckUpdates to it and
// writes it as UpdatesAutoCheck at once. Returns the new check state.
[[nodiscard]] bool ToggleCheckOnStartUp(SettingsStore& store, bool wasChecked, std::uint8_t& autoCheckUpdates);

// The settings as stored, defaults for whatever is missing; nothing is
// written and the key is never created (the console).
struct StoredSettings {
    bool UpdatesAutoCheck = false;
    bool UpdatesDontAsk = false;
    ProxySettings Proxy;

    friend bool operator==(const StoredSettings&, const StoredSettings&) = default;
};
[[nodiscard]] StoredSettings ReadSettingsReadOnly(SettingsStore& store);

}  // namespace velmora::update
