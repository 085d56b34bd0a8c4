#pragma once
// Records the watch's events and the alerts it launched; safe to read while
// the watch's thread raises more.

#include <mutex>
#include <vector>

#include "watch/WatchEvent.h"

namespace velmora::fakes {

class RecordingWatchEvents final : public watch::WatchEventSink, public watch::AlertLauncher {
public:
    void Raise(const watch::WatchEvent& event) noexcept override {
        std::lock_guard lock(mutex_);
        raised_.push_back(event);
    }
    void Launch(const watch::WatchEvent& event) noexcept override {
        std::lock_guard lock(mutex_);
        alerted_.push_back(static_cast<int>(event.Id));
    }

    [[nodiscard]] std::vector<watch::WatchEvent> Raised() {
        std::lock_guard lock(mutex_);
        return raised_;
    }
    [[nodiscard]] std::vector<int> RaisedIds() {
        std::lock_guard lock(mutex_);
        std::vector<int> ids;
        for (const auto& event : raised_) ids.push_back(static_cast<int>(event.Id));
        return ids;
    }
    [[nodiscard]] std::vector<int> Alerted() {
        std::lock_guard lock(mutex_);
        return alerted_;
    }

private:
    std::mutex mutex_;
    std::vector<watch::WatchEvent> raised_;
    std::vector<int> alerted_;
};

}  // namespace velmora::fakes
