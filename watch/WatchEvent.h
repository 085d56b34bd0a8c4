#pragma once
// The watch's events: the number Event Viewer shows, the entry type, the
// insertion strings of the message file's text and the whole sentence the
// history stores. The message file (installer/messages.mc) gives each number
// its text with the severity bits on top: information 0x1, warning 0x2,
// error 0x3 in bits 30-31, facility 0, so the log writer passes
// (severity << 30) | number as the event identifier.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"

namespace velmora::watch {

enum class EventId : std::uint16_t {
    Started = 1000,         // the watch started: interval, drives found
    DriveBad = 1001,        // a drive became BAD
    DriveUnknown = 1002,    // a drive became UNKNOWN
    DriveOk = 1003,         // a drive is OK again
    LifeLow = 1004,         // the life meter reached 10 %, 5 % or 0 %
    DriveFound = 1005,      // a drive was found for the first time
    DriveMissing = 1006,    // a drive known before is no longer found
    StoreFailed = 1007,     // the history store failed, or a damaged database was set aside
    AlertFailed = 1008,     // the alert command failed, timed out or could not start
    SettingDefault = 1009,  // a setting is out of range or of the wrong type: its default is used
    MetricsFailed = 1010,   // the metrics file could not be written
};

enum class EventType { Information, Warning, Error };

struct WatchEvent {
    EventId Id = EventId::Started;
    EventType Type = EventType::Information;
    std::vector<std::string> Strings;  // %1, %2, ... of the message file's text
    std::string Message;               // the text with the strings inserted
    // The drive the event is about, with its status and life meter then.
    std::optional<history::DriveIdentity> Drive;
    std::string DriveStatus;
    std::optional<std::int64_t> LifeMeter;
};

// Where events go: the Application log on Windows, a recorder in tests.
class WatchEventSink {
public:
    virtual ~WatchEventSink() = default;
    virtual void Raise(const WatchEvent& event) noexcept = 0;
};

// Starts the administrator's alert command for an event and returns at
// once; the command's own failures are raised as event 1008 by the launcher.
class AlertLauncher {
public:
    virtual ~AlertLauncher() = default;
    virtual void Launch(const WatchEvent& event) noexcept = 0;
};

// Replaces a file's contents in one step, so a collector reading it never
// sees half of it; the reason when it could not, empty on success.
class MetricsWriter {
public:
    virtual ~MetricsWriter() = default;
    [[nodiscard]] virtual std::string Replace(const std::string& path, const std::string& text) noexcept = 0;
};

// A value of the product's key as the registry holds it.
struct SettingValue {
    enum class Kind { Missing, Number, Text, OtherType } Type = Kind::Missing;
    std::uint32_t Number = 0;  // REG_DWORD
    std::string Text;          // REG_SZ
};

class SettingsReader {
public:
    virtual ~SettingsReader() = default;
    [[nodiscard]] virtual SettingValue Read(const char* name) = 0;
};

}  // namespace velmora::watch
