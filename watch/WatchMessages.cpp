#include "watch/WatchMessages.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace velmora::watch {

namespace {

constexpr MessageTemplate kTemplates[] = {
    {EventId::Started, EventType::Information,
     "The health watch started. It samples the drives every %1 minutes and found %2 drives at its first sample."},
    {EventId::DriveBad, EventType::Error, "Drive %1 (serial number %2, firmware %3) is BAD: %4. Back up its data."},
    {EventId::DriveUnknown, EventType::Warning,
     "The status of drive %1 (serial number %2, firmware %3) is UNKNOWN: %4."},
    {EventId::DriveOk, EventType::Information, "Drive %1 (serial number %2, firmware %3) is OK again."},
    {EventId::LifeLow, EventType::Warning,
     "The life meter of drive %1 (serial number %2, firmware %3) is at %4 percent, at or below %5 percent. "
     "Plan its replacement."},
    {EventId::DriveFound, EventType::Information,
     "Drive %1 (serial number %2, firmware %3, %4, %5 GB) was found for the first time."},
    {EventId::DriveMissing, EventType::Warning,
     "Drive %1 (serial number %2, firmware %3) is no longer found. It was last seen at %4."},
    {EventId::StoreFailed, EventType::Error, "The history database %1 (%2)."},
    {EventId::AlertFailed, EventType::Warning, "The alert command \"%1\" %2."},
    {EventId::SettingDefault, EventType::Warning,
     "The setting %1 has the value %2, which is %3; the default %4 is used."},
    {EventId::MetricsFailed, EventType::Warning, "The metrics file \"%1\" could not be written (%2)."},
};

std::vector<std::string> DriveStrings(const history::DriveIdentity& drive) {
    return {drive.Model, drive.SerialNumber, drive.Firmware};
}

WatchEvent DriveEvent(EventId id, const history::DriveSample& sample, std::vector<std::string> more) {
    std::vector<std::string> strings = DriveStrings(sample.Drive);
    strings.insert(strings.end(), more.begin(), more.end());
    WatchEvent event = MakeEvent(id, std::move(strings));
    event.Drive = sample.Drive;
    event.DriveStatus = sample.Values.Status;
    event.LifeMeter = sample.Values.LifeMeter;
    return event;
}

}  // namespace

std::span<const MessageTemplate> WatchMessageTemplates() { return kTemplates; }

const MessageTemplate& TemplateOf(EventId id) {
    for (const MessageTemplate& t : kTemplates) {
        if (t.Id == id) return t;
    }
    throw std::out_of_range("no message for event " + std::to_string(static_cast<int>(id)));
}

std::string InsertStrings(std::string_view text, std::span<const std::string> strings) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        if (text[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t n = 0;
        std::size_t digits = 0;
        while (digits < 2 && i + 1 + digits < text.size() && text[i + 1 + digits] >= '0' &&
               text[i + 1 + digits] <= '9') {
            n = n * 10 + static_cast<std::size_t>(text[i + 1 + digits] - '0');
            ++digits;
        }
        if (n == 0) {
            out += '%';
            continue;
        }
        if (n <= strings.size()) out += strings[n - 1];
        i += digits;
    }
    return out;
}

std::string UtcTimeText(std::int64_t unixSeconds) {
    using namespace std::chrono;
    const sys_seconds time{seconds(unixSeconds)};
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d UTC", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

WatchEvent MakeEvent(EventId id, std::vector<std::string> strings) {
    const MessageTemplate& t = TemplateOf(id);
    WatchEvent event;
    event.Id = id;
    event.Type = t.Type;
    event.Message = InsertStrings(t.Text, strings);
    event.Strings = std::move(strings);
    return event;
}

WatchEvent StartedEvent(std::uint32_t intervalMinutes, std::size_t drivesFound) {
    return MakeEvent(EventId::Started, {std::to_string(intervalMinutes), std::to_string(drivesFound)});
}

WatchEvent DriveBadEvent(const history::DriveSample& sample) {
    // BAD: the drive gave valid health data, is not over temperature, and
    // that data does not call it healthy.
    return DriveEvent(EventId::DriveBad, sample, {"its health data reports a failure or a critical warning"});
}

WatchEvent DriveUnknownEvent(const history::DriveSample& sample) {
    const history::SampleValues& v = sample.Values;
    const char* why = !v.Refreshed        ? "it could not be refreshed through the data service"
                      : v.OverTemperature ? "it is over its temperature threshold"
                                          : "it gave no health data";
    return DriveEvent(EventId::DriveUnknown, sample, {why});
}

WatchEvent DriveOkEvent(const history::DriveSample& sample) { return DriveEvent(EventId::DriveOk, sample, {}); }

WatchEvent LifeLowEvent(const history::DriveSample& sample, std::int64_t meter, int threshold) {
    return DriveEvent(EventId::LifeLow, sample, {std::to_string(meter), std::to_string(threshold)});
}

WatchEvent DriveFoundEvent(const history::DriveSample& sample) {
    const history::DriveIdentity& d = sample.Drive;
    return DriveEvent(EventId::DriveFound, sample, {d.Interface, std::to_string(d.CapacityGB)});
}

WatchEvent DriveMissingEvent(const history::KnownDrive& drive) {
    std::vector<std::string> strings = DriveStrings(drive.Drive);
    strings.push_back(UtcTimeText(drive.LastSeen));
    WatchEvent event = MakeEvent(EventId::DriveMissing, std::move(strings));
    event.Drive = drive.Drive;
    if (drive.Last) {
        event.DriveStatus = drive.Last->Status;
        event.LifeMeter = drive.Last->LifeMeter;
    }
    return event;
}

WatchEvent StoreFailedEvent(std::string what, std::string message) {
    return MakeEvent(EventId::StoreFailed, {std::move(what), std::move(message)});
}

WatchEvent AlertFailedEvent(std::string command, std::string what) {
    return MakeEvent(EventId::AlertFailed, {std::move(command), std::move(what)});
}

WatchEvent MetricsFailedEvent(std::string path, std::string why) {
    return MakeEvent(EventId::MetricsFailed, {std::move(path), std::move(why)});
}

WatchEvent SettingDefaultEvent(std::string name, std::string value, std::string why, std::string defaultText) {
    return MakeEvent(EventId::SettingDefault,
                     {std::move(name), std::move(value), std::move(why), std::move(defaultText)});
}

}  // namespace velmora::watch
