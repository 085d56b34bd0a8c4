#pragma once
// The watch's real work: the portable runner (watch/WatchRunner.h) with the
// Windows parts around it, the settings from the machine's key, the history
// database under %ProgramData%, the Application log, the alert command, the
// metrics file, and
// on the worker thread COM, WMI, the devices (or the drive set) and the
// data service's pipe.

#include "history/HistoryStore.h"
#include "watch/WatchClock.h"
#include "watch/WatchRunner.h"
#include "watch/win/AlertCommandRunner.h"
#include "watch/win/FileMetricsWriter.h"
#include "watch/win/WatchEventLog.h"
#include "watch/win/WatchWork.h"

namespace velmora::win {

class SamplingWork final : public WatchWork {
public:
    // settings: as LoadWatchSettings read them at start.
    explicit SamplingWork(watch::LoadedSettings settings);
    // The same work on another clock and database (UTF-8 path): for
    // benchmarks that take many samples in little time.
    SamplingWork(watch::LoadedSettings settings, watch::WatchClock& clock, const std::string& databasePath);

    void Run() override { runner_.Run(); }
    void RequestSample() noexcept override { runner_.RequestSample(); }
    void ClockChanged() noexcept override { runner_.ClockChanged(); }
    void Stop() noexcept override { runner_.Stop(); }

private:
    watch::SystemWatchClock systemClock_;
    watch::WatchClock& clock_;
    history::HistoryStore store_;
    WatchEventLog events_;
    AlertCommandRunner alerts_;
    FileMetricsWriter metrics_;
    watch::WatchRunner runner_;
};

}  // namespace velmora::win
