#pragma once
// Records every event-log entry and notification, so tests can check the
// exact report texts and their count.

#include <string>
#include <string_view>
#include <vector>

#include "common/ErrorReport.h"

namespace velmora::fakes {

class RecordingEventSink final : public EventSink, public ErrorNotifier {
public:
    RecordingEventSink() : scope_(this, this) {}
    void Write(std::string_view text) noexcept override { Entries.emplace_back(text); }
    void NotifyInternalError(std::string_view) noexcept override { ++Notifications; }

    std::vector<std::string> Entries;
    int Notifications = 0;

private:
    ScopedErrorReporting scope_;
};

}  // namespace velmora::fakes
