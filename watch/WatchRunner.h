#pragma once
// The watch's loop: samples at start, every interval and on request, stores
// each run, raises events on changes and launches alerts. Portable; the
// Windows service drives it:
//
//   ServiceMain:     LoadWatchSettings(registry reader); build the store
//                    (the history database's path), the event-log sink, the
//                    alert launcher (with Settings.AlertCommand) and the
//                    runner; start a worker thread.
//   worker thread:   runner.Run() — blocks until Stop(). Run calls
//                    MakeSampler once, on this thread, before the first run:
//                    initialise COM there and build the WMI source, the
//                    device access and the pipe (e.g. a SourcesSampler over
//                    them, owned with the COM scope by the returned object);
//                    it is destroyed on this thread before Run returns,
//                    and the store is closed.
//   control handler: user control 128 → RequestSample(); time change and
//                    power events → ClockChanged(); stop or shutdown →
//                    Stop(). All return at once and may be called from any
//                    thread, also before Run has started.
//
// Between samples the loop sleeps until the next one is due and wakes for
// nothing else: no polling.
//
// Stop is honoured while waiting, between drives of a sample (the run is
// then dropped unwritten) and after a store write, which the busy timeout
// bounds.
//
// Events are judged against the history's state, loaded once when the store
// first opens and then kept in memory, so a run that could not be stored
// does not raise its events again. Events that could not be stored are
// kept (at most kMaxUnstoredEvents) and written with the next run that is.
// A store failure raises 1007 once until the store works again or fails
// with another message; every run tries again, reopening if needed.
//
// With a metrics file, each run that listed the drives rewrites it with
// their state and forecasts; a run that could not list them leaves it, so
// its sample times age and "no sample" alerts can fire. A failed write
// raises 1010 once per reason and never fails the run.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "history/KnownDrives.h"
#include "watch/DriveSampler.h"
#include "watch/WatchClock.h"
#include "watch/WatchEvent.h"
#include "watch/WatchSchedule.h"
#include "watch/WatchSettings.h"

namespace velmora::watch {

inline constexpr std::size_t kMaxUnstoredEvents = 1000;

struct WatchParts {
    WatchClock& Clock;
    history::HistoryStore& Store;
    WatchEventSink& Events;
    AlertLauncher& Alerts;
    MetricsWriter& Metrics;  // used only with a MetricsFile setting
    // Called once on Run's thread; the sampler lives until Run returns. Null
    // (the sources could not be built, reported by the caller) ends Run.
    std::function<std::unique_ptr<DriveSampler>()> MakeSampler;
};

class WatchRunner {
public:
    // settings.Warnings are raised when Run starts and stored with the first run.
    WatchRunner(LoadedSettings settings, WatchParts parts);

    void Run();
    void RequestSample() noexcept;
    // The wall clock was set or the machine slept: the wait for the next
    // sample is worked out again from the clock (no sample is requested).
    void ClockChanged() noexcept;
    void Stop() noexcept;

private:
    void RunLoop(DriveSampler& sampler);
    void PerformRun(RunReason reason, std::int64_t started, DriveSampler& sampler);
    [[nodiscard]] bool OpenStore(std::int64_t now);
    void LoadKnownDrives();
    void Store(history::RunRecord run);
    void DeleteOldSamples(std::int64_t now);
    void StoreFailed(std::string what, std::string message);
    void PublishMetrics(const std::vector<history::TimedSample>& samples);
    void Raise(const WatchEvent& event, std::int64_t time);

    WatchSettings settings_;
    std::vector<WatchEvent> startWarnings_;
    WatchParts parts_;

    std::mutex mutex_;
    std::condition_variable wake_;
    WatchSchedule schedule_;  // guarded by mutex_
    bool woken_ = false;      // guarded by mutex_
    std::atomic<bool> stop_{false};

    // Run's thread only.
    bool firstRun_ = true;
    std::optional<std::vector<history::KnownDrive>> known_;
    std::vector<history::StoredEvent> unstored_;
    std::optional<std::string> lastStoreFailure_;
    std::optional<std::string> lastMetricsFailure_;
};

}  // namespace velmora::watch
