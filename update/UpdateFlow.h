#pragma once
// The main window's update side: the first tick of Timer1 (settings, the
// start-up question, the start-up check), "Check for updates", "Connection
// settings" and "Check on start up". A check asks the service, offers each
// download in turn, saves accepted downloads where the user chooses, and
// reports in boxes; everything it shows goes through UpdateWindowSide.
//
// Runs on the user-interface thread. A command may run for long (network
// waits pump window messages) or hold a modal dialog, so commands may be
// entered again from inside one (a second check is refused with a box) and
// the window may close. The window asks Busy() before it closes: while busy
// it calls OwnerGone() and destroys itself only once Busy() is false again.
// From OwnerGone on, the transfer in progress is aborted, the running
// command finishes quietly (its failure dropped), touching neither the
// window nor the drive table again, and no command starts. The flow must be
// destroyed only while not Busy(); the drive table, the store, the host and
// trust sources, the cryptography, the download files and the window side
// must outlive it.
//
// A download goes to a temporary file beside the chosen one and replaces it
// only once complete and, when the offer names a SHA-256, matching it; on
// any failure the temporary file is deleted and a file already there is
// left as it was.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "update/DownloadFiles.h"
#include "update/ProxySettings.h"
#include "update/SettingsStore.h"
#include "update/ReplyTrust.h"
#include "update/UpdateCrypto.h"
#include "update/UpdateHost.h"
#include "update/UpdateOffer.h"
#include "update/UpdateTransport.h"
#include "update/UpdateWindowSide.h"

namespace velmora::update {

class UpdateFlow {
public:
    // baseCaption: the main window's caption, restored after every check.
    // trust and crypto check each reply (update/ReplyTrust.h); crypto and
    // files check and place each download.
    UpdateFlow(DriveTable& drives, SettingsStore& store, UpdateHostSource& hosts, UpdateTrustSource& trust,
               UpdateCrypto& crypto, std::unique_ptr<UpdateTransport> transport, DownloadFiles& files,
               UpdateWindowSide& window, std::string baseCaption);
    ~UpdateFlow();  // aborts a transfer in progress
    UpdateFlow(const UpdateFlow&) = delete;
    UpdateFlow& operator=(const UpdateFlow&) = delete;

    // The first tick, after the window has stopped the one-shot timer: opens
    // (creates) the settings key, writes the missing defaults
    // (UpdatesAutoCheck, UpdatesDontAsk, HTTP_Proxy false, HTTP_ProxyPort 0;
    // never HTTP_ProxyAddress), reads all five, and asks the start-up
    // question unless UpdatesDontAsk; its answer is stored only with "Don't
    // ask again". A store failure ends the tick there (SettingsError; the
    // proxy keeps what was read so far). With the start-up check on: the
    // check mark, the quiet check (its failure in an error box), the
    // refresh. Last, "&Updates" is enabled.
    void FirstTick();
    // The interactive check, then the refresh. A failure propagates
    // (UpdateError with the user's message; the refresh is skipped).
    void CheckForUpdates();
    // The connection settings dialog on the proxy the checks use.
    void ConnectionSettings();
    // Flips the check mark and writes the new state as UpdatesAutoCheck at
    // once; a store failure propagates with the mark already flipped.
    void ToggleCheckOnStartUp();

    // True while one of the commands above runs.
    [[nodiscard]] bool Busy() const noexcept { return commandDepth_ > 0; }
    // The window is going away. Lasting; safe at any time, also from inside
    // a wait.
    void OwnerGone() noexcept;

private:
    enum class CheckState { Idle, Checking, Application, Firmware };
    class CheckScope;

    // Runs a command counted by Busy(); once the window has gone its failure
    // is dropped, since no one is left to see it.
    template <typename Command>
    void RunCommand(Command&& command);
    // Whether the start-up check is on.
    [[nodiscard]] bool LoadSettings();

    // One check; interactive: the menu command (only it says that nothing
    // is new). Throws UpdateError with the user's message; the state is Idle
    // and the caption the base caption again on every way out.
    void GetUpdates(bool interactive);
    void Check(bool interactive);
    void PresentOffers(const std::vector<UpdateOffer>& offers);
    // False when the user declined the firmware disclaimer (ends the loop).
    [[nodiscard]] bool PresentOffer(const UpdateOffer& offer);
    // Downloads the offer to path through a temporary file; throws
    // UpdateError with the user's message.
    void DownloadOffer(const UpdateOffer& offer, const std::string& path);
    void ShowProgress(std::int64_t received, std::int64_t total);
    void ThrowIfOwnerGone() const;

    DriveTable& drives_;
    SettingsStore& store_;
    UpdateHostSource& hosts_;
    UpdateTrustSource& trust_;
    UpdateCrypto& crypto_;
    std::unique_ptr<UpdateTransport> transport_;
    DownloadFiles& files_;
    UpdateWindowSide& window_;
    std::string baseCaption_;
    ProxySettings proxy_;
    CheckState state_ = CheckState::Idle;
    int commandDepth_ = 0;
    bool ownerGone_ = false;
};

}  // namespace velmora::update
