#include "update/UpdateCommands.h"

#include <exception>

#include "update/UpdateSettings.h"

namespace velmora::update {

void RunFirstTick(SettingsStore& store, StartupQuestion& question, UpdateChecker& checker,
                  std::uint8_t& autoCheckUpdates, ProxySettings& proxy, UpdateCommandsView& view) {
    LoadSettings(store, question, autoCheckUpdates, proxy);
    if (autoCheckUpdates == 1) {
        view.SetCheckOnStartUpMark();
        try {
            checker.GetUpdates(false);
        } catch (const std::exception& error) {
            if (!checker.IsOwnerGone()) view.ShowStartupCheckError(error.what());
        }
        if (checker.IsOwnerGone()) return;
        view.ShowSelectedDrive();
    }
    view.EnableUpdatesMenu();
}

void RunCheckForUpdates(UpdateChecker& checker, UpdateCommandsView& view) {
    checker.GetUpdates(true);
    if (!checker.IsOwnerGone()) view.ShowSelectedDrive();
}

}  // namespace velmora::update
