#pragma once
// The main window's update-related steps that decide something: the first
// tick of Timer1 and the "Check for updates" command. The window keeps the
// fields (AutoCheckUpdates, ProxySettings, the checker) and implements
// UpdateCommandsView; the timer is disabled by the window before the tick.

#include <cstdint>
#include <string>

#include "update/ProxySettings.h"
#include "update/SettingsStore.h"
#include "update/StartupQuestion.h"
#include "update/UpdateChecker.h"

namespace velmora::update {

class UpdateCommandsView {
public:
    virtual ~UpdateCommandsView() = default;
    virtual void SetCheckOnStartUpMark() = 0;                          // the "Check on start up" item
    virtual void ShowStartupCheckError(const std::string& text) = 0;  // error box, a single Yes button
    virtual void ShowSelectedDrive() = 0;
    virtual void EnableUpdatesMenu() = 0;                              // TMICheckForUpdates
};

// LoadSettings (its failures propagate and end the tick there), the check
// mark, the start-up check when enabled (its failure shown in an error box,
// then the refresh all the same), and the "&Updates" menu enabled. Nothing
// is refreshed once the window has gone.
void RunFirstTick(SettingsStore& store, StartupQuestion& question, UpdateChecker& checker,
                  std::uint8_t& autoCheckUpdates, ProxySettings& proxy, UpdateCommandsView& view);

// "Check for updates": the interactive check, then the refresh. A failure
// propagates (the refresh is skipped) for the window's general error box.
void RunCheckForUpdates(UpdateChecker& checker, UpdateCommandsView& view);

}  // namespace velmora::update
