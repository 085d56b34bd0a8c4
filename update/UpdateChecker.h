#pragma once
// The update engine: asks the service, offers each download in turn, saves
// accepted downloads where the user chooses, and reports in boxes.
//
// Runs on the user-interface thread; while the network waits, window
// messages run, so GetUpdates may be re-entered (it refuses) and the window
// may close. The window's destroy handler calls OwnerGone first: the
// transfer in progress is aborted, and the check that is running finishes
// quietly, touching neither the UI nor the drive table again. The checker
// itself must be destroyed only when no check runs (IsRunning() false); the
// drive table, proxy settings, UI and host source must outlive it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "update/ProxySettings.h"
#include "update/UpdateHost.h"
#include "update/UpdateOffer.h"
#include "update/UpdateTransport.h"
#include "update/UpdateUi.h"

namespace velmora::update {

namespace busy_state {
inline constexpr std::int32_t Idle = 0;
inline constexpr std::int32_t Checking = 1;
inline constexpr std::int32_t Application = 2;  // asking about or downloading the application
inline constexpr std::int32_t Firmware = 3;     // asking about or downloading firmware
}  // namespace busy_state

class UpdateChecker {
public:
    UpdateChecker(DriveTable& drives, const ProxySettings& proxy, std::string baseCaption,
                  std::unique_ptr<UpdateTransport> transport, UpdateHostSource& hosts, UpdateUi& ui);
    ~UpdateChecker();  // aborts a transfer in progress
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // One check. interactive: the menu command (true) or the start-up check
    // (false); only the menu command says that nothing is new. Throws
    // UpdateError with the user's message when the check fails; BusyState is
    // 0 and the caption BaseCaption again on every way out.
    void GetUpdates(bool interactive);

    // The window is going away: abort the transfer, stop using the UI and the
    // drive table. Lasting; safe at any time, also from inside a wait.
    void OwnerGone() noexcept;

    [[nodiscard]] std::int32_t BusyState() const noexcept { return busyState_; }
    [[nodiscard]] bool IsRunning() const noexcept { return running_; }
    [[nodiscard]] bool IsOwnerGone() const noexcept { return ownerGone_; }
    [[nodiscard]] const std::string& BaseCaption() const noexcept { return baseCaption_; }
    // The offers of the last check; they stay until the next one starts.
    [[nodiscard]] const std::vector<UpdateOffer>& Offers() const noexcept { return offers_; }

private:
    class RunScope;

    void Check(bool interactive);
    void PresentOffers();
    // False when the user declined the firmware disclaimer (ends the loop).
    [[nodiscard]] bool PresentOffer(const UpdateOffer& offer);
    void ShowProgress(std::int64_t received, std::int64_t total);
    void ThrowIfOwnerGone() const;

    DriveTable& drives_;
    const ProxySettings& proxy_;
    std::string baseCaption_;
    std::unique_ptr<UpdateTransport> transport_;
    UpdateHostSource& hosts_;
    UpdateUi& ui_;
    std::vector<UpdateOffer> offers_;
    std::int32_t busyState_ = busy_state::Idle;
    bool running_ = false;
    bool ownerGone_ = false;
};

}  // namespace velmora::update
