#include "watch/WatchRunner.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "history/HistoryReader.h"
#include "history/StoredForecast.h"
#include "metrics/MetricsText.h"
#include "watch/DriveTransitions.h"
#include "watch/WatchMessages.h"

namespace velmora::watch {

namespace {

constexpr char kNotListedText[] = "The drives could not be listed.";

bool Alerts(EventId id) {
    return id == EventId::DriveBad || id == EventId::DriveUnknown || id == EventId::LifeLow ||
           id == EventId::DriveMissing;
}

}  // namespace

WatchRunner::WatchRunner(LoadedSettings settings, WatchParts parts)
    : settings_(std::move(settings.Settings)),
      startWarnings_(std::move(settings.Warnings)),
      parts_(std::move(parts)),
      schedule_(std::int64_t{settings_.IntervalMinutes} * 60) {}

void WatchRunner::RequestSample() noexcept {
    const std::int64_t now = parts_.Clock.NowUnixSeconds();
    {
        std::lock_guard lock(mutex_);
        schedule_.Request(now);
        woken_ = true;
    }
    wake_.notify_all();
}

void WatchRunner::ClockChanged() noexcept {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

void WatchRunner::Stop() noexcept {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

void WatchRunner::Run() {
    if (stop_) return;
    const std::int64_t now = parts_.Clock.NowUnixSeconds();
    for (const WatchEvent& warning : startWarnings_) Raise(warning, now);
    const std::unique_ptr<DriveSampler> sampler = parts_.MakeSampler();
    if (sampler) RunLoop(*sampler);
    // A stopped watch holds no file of the history: the service reports
    // itself stopped once Run has returned, and an uninstaller that removes
    // the history folder comes right after that.
    parts_.Store.Close();
}

void WatchRunner::RunLoop(DriveSampler& sampler) {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const std::int64_t now = parts_.Clock.NowUnixSeconds();
        const std::optional<RunReason> reason = schedule_.Due(now);
        if (!reason) {
            const std::int64_t wait = schedule_.SecondsUntilDue(now);
            wake_.wait_for(lock, std::chrono::seconds(std::max<std::int64_t>(wait, 1)),
                           [this] { return stop_ || woken_; });
            woken_ = false;
            continue;
        }
        schedule_.Started(*reason, now);
        lock.unlock();
        PerformRun(*reason, now, sampler);
        const std::int64_t finished = parts_.Clock.NowUnixSeconds();
        const bool retentionDue = [&] {
            std::lock_guard relock(mutex_);
            return schedule_.RetentionDue(finished);
        }();
        if (retentionDue && !stop_) DeleteOldSamples(finished);
        lock.lock();
        schedule_.Finished();
    }
}

void WatchRunner::PerformRun(RunReason reason, std::int64_t started, DriveSampler& sampler) {
    history::RunRecord run{started, started, ReasonText(reason), {}, {}, std::nullopt};
    SampleOutcome outcome;
    try {
        outcome = sampler.Sample(stop_);
    } catch (const std::exception& error) {
        run.Error = std::string("The drives could not be sampled: ") + error.what();
    }
    if (outcome.Cancelled) return;
    run.Finished = parts_.Clock.NowUnixSeconds();

    const bool storeOpen = OpenStore(run.Finished);
    if (storeOpen && !known_) LoadKnownDrives();
    std::vector<WatchEvent> events;
    if (firstRun_) events.push_back(StartedEvent(settings_.IntervalMinutes, outcome.Samples.size()));
    firstRun_ = false;
    if (outcome.Listed) {
        const std::vector<history::KnownDrive> before = known_.value_or(std::vector<history::KnownDrive>{});
        const std::vector<WatchEvent> changes = JudgeTransitions(before, outcome.Samples);
        events.insert(events.end(), changes.begin(), changes.end());
        known_ = history::AdvanceKnownDrives(before, outcome.Samples);
        run.Samples = std::move(outcome.Samples);
    } else if (!run.Error) {
        run.Error = kNotListedText;
    }
    for (const WatchEvent& event : events) Raise(event, run.Finished);
    const bool publish = outcome.Listed && !settings_.MetricsFile.empty();
    std::vector<history::TimedSample> samples = publish ? run.Samples : std::vector<history::TimedSample>{};
    if (storeOpen) Store(std::move(run));
    // After the store, so the forecasts include this run.
    if (publish) PublishMetrics(samples);
}

void WatchRunner::PublishMetrics(const std::vector<history::TimedSample>& samples) {
    std::vector<history::DriveIdentity> identities;
    for (const history::TimedSample& sample : samples) identities.push_back(sample.Sample.Drive);
    history::HistoryReader reader(parts_.Store.Path());
    const auto forecasts = history::ForecastDrives(reader, identities);

    metrics::MetricsInput input;
    input.SampleIntervalSeconds = std::int64_t{settings_.IntervalMinutes} * 60;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto& forecast = forecasts[i];
        input.Drives.push_back({samples[i].Sample, samples[i].Time, forecast ? forecast->DaysLeft : std::nullopt});
    }
    std::string error = parts_.Metrics.Replace(settings_.MetricsFile, metrics::MetricsText(input));
    if (error.empty()) {
        lastMetricsFailure_.reset();
    } else if (error != lastMetricsFailure_) {
        Raise(MetricsFailedEvent(settings_.MetricsFile, error), parts_.Clock.NowUnixSeconds());
        lastMetricsFailure_ = std::move(error);
    }
}

bool WatchRunner::OpenStore(std::int64_t now) {
    const history::OpenResult opened = parts_.Store.Open(now);
    switch (opened.State) {
    case history::OpenState::Ready: return true;
    case history::OpenState::ReadyAfterSetAside:
        // Reported once: it happened once, whatever the next failure is.
        Raise(StoreFailedEvent("was damaged and has been set aside as " + opened.SetAsideName + "; a new one was made",
                               opened.Message),
              now);
        return true;
    case history::OpenState::TooNew:
        StoreFailed("is from a newer version of the watch and is left untouched; nothing is stored", opened.Message);
        return false;
    case history::OpenState::Failed: break;
    }
    StoreFailed("could not be opened", opened.Message);
    return false;
}

void WatchRunner::LoadKnownDrives() {
    std::vector<history::KnownDrive> drives;
    const history::StoreResult loaded = parts_.Store.LoadKnownDrives(drives);
    if (!loaded.Ok) {
        StoreFailed("could not be read", loaded.Error);
        return;
    }
    known_ = std::move(drives);
}

void WatchRunner::Store(history::RunRecord run) {
    // Every event raised since the last stored run, this run's included.
    run.Events = unstored_;
    history::StoreResult stored = parts_.Store.WriteRun(run);
    if (!stored.Ok) {
        StoreFailed("could not store the run of " + UtcTimeText(run.Started), stored.Error);
        // The run's row still records that it happened and why nothing is in it.
        run.Samples.clear();
        run.Events = unstored_;
        run.Error = "The samples could not be stored: " + stored.Error;
        stored = parts_.Store.WriteRun(run);
    }
    if (stored.Ok) {
        unstored_.clear();
        lastStoreFailure_.reset();
    }
}

void WatchRunner::DeleteOldSamples(std::int64_t now) {
    if (!parts_.Store.IsOpen()) return;
    const history::StoreResult deleted =
        parts_.Store.DeleteSamplesBefore(now - std::int64_t{settings_.HistoryDays} * kRetentionPeriodSeconds);
    if (!deleted.Ok) {
        StoreFailed("could not delete samples older than " + std::to_string(settings_.HistoryDays) + " days",
                    deleted.Error);
        return;
    }
    std::lock_guard lock(mutex_);
    schedule_.RetentionDone(now);
}

void WatchRunner::StoreFailed(std::string what, std::string message) {
    // Once per cause: a full disk would otherwise give an error every run.
    if (lastStoreFailure_ == message) return;
    lastStoreFailure_ = message;
    Raise(StoreFailedEvent(std::move(what), std::move(message)), parts_.Clock.NowUnixSeconds());
}

void WatchRunner::Raise(const WatchEvent& event, std::int64_t time) {
    parts_.Events.Raise(event);
    if (Alerts(event.Id) && !settings_.AlertCommand.empty()) parts_.Alerts.Launch(event);
    if (unstored_.size() < kMaxUnstoredEvents) {
        unstored_.push_back({time, static_cast<int>(event.Id), event.Drive, event.Message});
    }
}

}  // namespace velmora::watch
