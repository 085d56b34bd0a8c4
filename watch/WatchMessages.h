#pragma once
// The texts of the watch's events, one template per event number with %1,
// %2, ... for its insertion strings, exactly as installer/messages.mc gives
// them to Event Viewer, and the builders that fill a WatchEvent: the log
// shows the template with the strings, the history stores the same sentence.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryRecords.h"
#include "history/KnownDrives.h"
#include "watch/WatchEvent.h"

namespace velmora::watch {

struct MessageTemplate {
    EventId Id;
    EventType Type;
    std::string_view Text;
};

// Every event number 1000-1010 once, in order.
[[nodiscard]] std::span<const MessageTemplate> WatchMessageTemplates();
[[nodiscard]] const MessageTemplate& TemplateOf(EventId id);

// The text with each %n (1-99) replaced by strings[n - 1] and %% by %.
[[nodiscard]] std::string InsertStrings(std::string_view text, std::span<const std::string> strings);

// "2024-05-01 12:00:00 UTC".
[[nodiscard]] std::string UtcTimeText(std::int64_t unixSeconds);

[[nodiscard]] WatchEvent MakeEvent(EventId id, std::vector<std::string> strings);

[[nodiscard]] WatchEvent StartedEvent(std::uint32_t intervalMinutes, std::size_t drivesFound);
[[nodiscard]] WatchEvent DriveBadEvent(const history::DriveSample& sample);
// Says why: over temperature, no health data, or a failed refresh.
[[nodiscard]] WatchEvent DriveUnknownEvent(const history::DriveSample& sample);
[[nodiscard]] WatchEvent DriveOkEvent(const history::DriveSample& sample);
[[nodiscard]] WatchEvent LifeLowEvent(const history::DriveSample& sample, std::int64_t meter, int threshold);
[[nodiscard]] WatchEvent DriveFoundEvent(const history::DriveSample& sample);
[[nodiscard]] WatchEvent DriveMissingEvent(const history::KnownDrive& drive);
// what: the rest of "The history database ..." (e.g. "could not be opened");
// message: the database's own words.
[[nodiscard]] WatchEvent StoreFailedEvent(std::string what, std::string message);
// For the alert launcher: the command line and what happened to it (see
// watch/AlertEnvironment.h for the texts).
[[nodiscard]] WatchEvent AlertFailedEvent(std::string command, std::string what);
// why: the system's words for what failed.
[[nodiscard]] WatchEvent MetricsFailedEvent(std::string path, std::string why);
[[nodiscard]] WatchEvent SettingDefaultEvent(std::string name, std::string value, std::string why,
                                             std::string defaultText);

}  // namespace velmora::watch
