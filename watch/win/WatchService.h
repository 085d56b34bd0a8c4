#pragma once
// The health watch's service object: the execute handler runs the work on a
// worker thread and carries out controls on the service thread meanwhile.
// A stop (or shutdown) is answered within a second whatever the work does:
// stop-pending at once, then at most 500 ms for the work to return, then
// stopped. Control 128 asks the work for a sample.

#include <windows.h>

#include <exception>

#include "common/win/UniqueHandle.h"
#include "servicehost/win/ServiceFramework.h"
#include "watch/win/WatchWork.h"

namespace velmora::win {

// How long a stop waits for the work before the service stops without it.
inline constexpr DWORD kWorkStopWaitMs = 500;  // half the second, so a busy machine still stops in time

// The service object's DACL: SYSTEM and the administrators as Windows gives
// them by default; authenticated users may query its status and
// configuration, interrogate it, send its own controls (a sample now) and
// read this DACL, but not start or stop it.
inline constexpr char kWatchServiceSddl[] =
    "D:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;CCLCLOCRRC;;;AU)";

// Own process, automatic start after the data service, LocalService, stop
// and shutdown accepted, controls 128..255 taken, the DACL above.
[[nodiscard]] ServiceSettings WatchServiceSettings();

class WatchService final : public Service {
public:
    // The work must outlive the service, and the service the worker thread:
    // see WorkRunning.
    explicit WatchService(WatchWork& work, DWORD stopWaitMs = kWorkStopWaitMs);

    void ServiceExecute() override;
    void ServiceStop(bool& stopped) override;
    void ServiceUserControl(DWORD code) override;
    void ServiceClockChanged() override;

    // True while the worker thread still runs after the execute handler
    // returned: the work ignored the stop, and neither it nor this object
    // may be destroyed.
    [[nodiscard]] bool WorkRunning() const noexcept;

private:
    static DWORD WINAPI WorkerProc(LPVOID parameter) noexcept;

    WatchWork& work_;
    DWORD stopWaitMs_;
    KernelHandle worker_;
    std::exception_ptr workFailure_;
    bool stopRequested_ = false;
};

// Runs the watch as a service with this work until it stops; returns 0 or
// the host's system error. When the work outlived the stop, the process
// ends here at once instead of returning: the work still uses what the
// caller would destroy, and the history's transactions keep its data whole.
[[nodiscard]] int RunWatchService(WatchWork& work);

}  // namespace velmora::win
