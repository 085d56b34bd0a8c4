#include "cli/HistoryCommand.h"

#include <charconv>
#include <vector>

#include "cli/CommandLine.h"
#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "history/HistoryReader.h"
#include "history/HistoryTime.h"

namespace velmora::cli {

namespace {

using history::StoredDrive;
using history::StoredEvent;
using history::StoredSample;

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// ---- JSON: the keys of "status --json", NULL as null.

void AppendJsonNumber(std::string& out, const std::optional<std::int64_t>& value) {
    if (value) {
        AppendNumber(out, *value);
    } else {
        out += "null";
    }
}

void AppendJsonFlag(std::string& out, const std::optional<bool>& value) {
    out += value ? (*value ? "true" : "false") : "null";
}

template <typename Text>
void AppendJsonText(std::string& out, const std::optional<Text>& value) {
    if (value) {
        AppendJsonString(out, *value);
    } else {
        out += "null";
    }
}

void AppendJsonTime(std::string& out, std::int64_t time) {
    out += '"';
    history::AppendUtcTime(out, time);
    out += '"';
}

void AppendJsonSample(std::string& out, const StoredSample& sample) {
    out += "{\"time\": ";
    AppendJsonTime(out, sample.Time);
    out += ", \"refreshed\": ";
    AppendJsonFlag(out, sample.Refreshed);
    out += ", \"power_on_hours\": ";
    AppendJsonNumber(out, sample.PowerOnHours);
    out += ", \"power_cycles\": ";
    AppendJsonNumber(out, sample.PowerCycles);
    out += ", \"max_erase_count\": ";
    AppendJsonNumber(out, sample.MaxEraseCount);
    out += ", \"avg_erase_count\": ";
    AppendJsonNumber(out, sample.AvgEraseCount);
    out += ", \"gb_written\": ";
    AppendJsonNumber(out, sample.GBWritten);
    out += ", \"temperature\": ";
    AppendJsonNumber(out, sample.Temperature);
    out += ", \"over_temperature\": ";
    AppendJsonFlag(out, sample.OverTemperature);
    out += ", \"life_meter\": ";
    AppendJsonNumber(out, sample.LifeMeter);
    out += ", \"status\": ";
    AppendJsonText(out, sample.Status);
    out += '}';
}

void AppendJsonDriveHead(std::string& out, const StoredDrive& drive) {
    out += "{\"serial_number\": ";
    AppendJsonText(out, drive.SerialNumber);
    out += ", \"model\": ";
    AppendJsonText(out, drive.Model);
    out += ", \"firmware\": ";
    AppendJsonText(out, drive.Firmware);
    out += ", \"interface\": ";
    AppendJsonText(out, drive.Interface);
    out += ", \"capacity_gb\": ";
    AppendJsonNumber(out, drive.CapacityGB);
    out += ", \"samples\": [";
}

void AppendJsonEvent(std::string& out, const StoredEvent& event) {
    out += "{\"time\": ";
    AppendJsonTime(out, event.Time);
    out += ", \"event_id\": ";
    AppendJsonNumber(out, event.EventId);
    out += ", \"serial_number\": ";
    AppendJsonText(out, event.SerialNumber);
    out += ", \"message\": ";
    AppendJsonText(out, event.Message);
    out += '}';
}

// ---- Text: a table per drive, NULL as "-".

struct Column {
    const char* Title;
    std::size_t Width;
};

constexpr Column kColumns[] = {
    {"Time (UTC)", 20}, {"Refreshed", 9}, {"Power on hours", 14}, {"Cycles", 8}, {"Max. erase", 10},
    {"Avg. erase", 10}, {"GiB written", 11}, {"Temperature", 11}, {"Over temp.", 10}, {"Life", 4},
    {"Status", 0},
};

class TextRow {
public:
    explicit TextRow(std::string& out) : out_(out) { out_ += "  "; }
    ~TextRow() {
        while (!out_.empty() && out_.back() == ' ') out_.pop_back();
        out_ += '\n';
    }
    TextRow(const TextRow&) = delete;
    TextRow& operator=(const TextRow&) = delete;

    // Appends the next cell and pads it to its column's width.
    template <typename Append>
    void Cell(Append&& append) {
        const std::size_t start = out_.size();
        append();
        const std::size_t used = out_.size() - start;
        const std::size_t width = kColumns[column_++].Width;
        out_.append((used < width ? width - used : 0) + 2, ' ');
    }
    void Text(std::string_view text) {
        Cell([&] { out_ += text; });
    }
    void Number(const std::optional<std::int64_t>& value) {
        Cell([&] { value ? AppendNumber(out_, *value) : void(out_ += '-'); });
    }
    void Flag(const std::optional<bool>& value) { Text(value ? (*value ? "yes" : "no") : "-"); }

private:
    std::string& out_;
    std::size_t column_ = 0;
};

// The history's UTF-8 in the console's code page; ASCII, by far the most
// usual, as it is.
void AppendShown(std::string& out, std::string_view utf8) {
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out += Utf8ToAnsi(utf8);
            return;
        }
    }
    out += utf8;
}

std::string Shown(const std::optional<std::string>& text) {
    std::string shown;
    AppendShown(shown, text ? std::string_view(*text) : std::string_view("-"));
    return shown;
}

void AppendTextDriveHead(std::string& out, const StoredDrive& drive) {
    out += Shown(drive.Model) + ", serial number " + Shown(drive.SerialNumber) + ", firmware " +
           Shown(drive.Firmware) + ", " + Shown(drive.Interface) + ", ";
    drive.CapacityGB ? AppendNumber(out, *drive.CapacityGB) : void(out += '-');
    out += " GB\n";
    TextRow header(out);
    for (const Column& column : kColumns) header.Text(column.Title);
}

void AppendTextSample(std::string& out, const StoredSample& sample) {
    TextRow row(out);
    row.Cell([&] { history::AppendUtcTime(out, sample.Time); });
    row.Flag(sample.Refreshed);
    row.Number(sample.PowerOnHours);
    row.Number(sample.PowerCycles);
    row.Number(sample.MaxEraseCount);
    row.Number(sample.AvgEraseCount);
    row.Number(sample.GBWritten);
    row.Number(sample.Temperature);
    row.Flag(sample.OverTemperature);
    row.Number(sample.LifeMeter);
    row.Cell([&] { AppendShown(out, sample.Status.value_or("-")); });
}

void AppendTextEvents(std::string& out, const std::vector<const StoredEvent*>& events) {
    if (events.empty()) return;
    out += "  Events:\n";
    for (const StoredEvent* event : events) {
        out += "  ";
        history::AppendUtcTime(out, event->Time);
        out += "  ";
        event->EventId ? AppendNumber(out, *event->EventId) : void(out += '-');
        out += "  " + Shown(event->Message) + "\n";
    }
}

// ---- Both forms, drive by drive, rows streamed into the output.

struct HistoryRows {
    std::vector<StoredDrive> Drives;
    std::vector<StoredEvent> Events;
};

[[nodiscard]] std::string WriteJson(history::HistoryReader& reader, const HistoryRows& rows, std::int64_t since,
                                    std::string& out) {
    out += "{\"drives\": [";
    for (std::size_t d = 0; d < rows.Drives.size(); ++d) {
        out += d ? ", " : "";
        AppendJsonDriveHead(out, rows.Drives[d]);
        bool first = true;
        const auto read = reader.VisitSamples(rows.Drives[d].Id, since, [&](const StoredSample& sample) {
            out += first ? "" : ", ";
            first = false;
            AppendJsonSample(out, sample);
        });
        if (!read.Ok()) return read.Error;
        out += "]}";
    }
    out += "], \"events\": [";
    for (std::size_t e = 0; e < rows.Events.size(); ++e) {
        out += e ? ", " : "";
        AppendJsonEvent(out, rows.Events[e]);
    }
    out += "]}\n";
    return {};
}

[[nodiscard]] std::string WriteText(history::HistoryReader& reader, const HistoryRows& rows, std::int64_t since,
                                    std::string& out) {
    for (const StoredDrive& drive : rows.Drives) {
        AppendTextDriveHead(out, drive);
        const auto read =
            reader.VisitSamples(drive.Id, since, [&](const StoredSample& sample) { AppendTextSample(out, sample); });
        if (!read.Ok()) return read.Error;
        if (read.Value == 0) out += "  (no samples)\n";
        std::vector<const StoredEvent*> events;
        for (const StoredEvent& event : rows.Events) {
            if (event.DriveId == drive.Id) events.push_back(&event);
        }
        AppendTextEvents(out, events);
        out += '\n';
    }
    // The watch's own events (start, settings, alert command) belong to no drive.
    std::vector<const StoredEvent*> general;
    for (const StoredEvent& event : rows.Events) {
        if (!event.DriveId) general.push_back(&event);
    }
    if (!general.empty()) {
        out += "Health watch\n";
        AppendTextEvents(out, general);
    }
    return {};
}

ConsoleOutput Failed(const std::string& databasePath, const std::string& error) {
    ConsoleOutput output;
    output.Err = "Cannot read the history " + Utf8ToAnsi(databasePath) + ": " + error + "\n";
    output.ExitStatus = exit_status::Failure;
    return output;
}

}  // namespace

ConsoleOutput RunHistory(const std::string& databasePath, const HistoryQuery& query) {
    history::HistoryReader reader(databasePath);
    if (reader.Outcome() == history::OpenOutcome::NoHistory) {
        ConsoleOutput output;
        output.Err = std::string(kNoHistoryText) + "\n";
        output.ExitStatus = exit_status::NoDrive;
        return output;
    }
    if (reader.Outcome() == history::OpenOutcome::Failed) return Failed(databasePath, reader.Error());

    const std::optional<std::string_view> serial =
        query.SerialNumber ? std::optional<std::string_view>(*query.SerialNumber) : std::nullopt;
    auto drives = reader.Drives(serial);
    if (!drives.Ok()) return Failed(databasePath, drives.Error);
    auto events = reader.Events(query.Since, serial);
    if (!events.Ok()) return Failed(databasePath, events.Error);
    const HistoryRows rows{std::move(drives.Value), std::move(events.Value)};

    ConsoleOutput output;
    const std::string error =
        query.Json ? WriteJson(reader, rows, query.Since, output.Out) : WriteText(reader, rows, query.Since, output.Out);
    if (!error.empty()) return Failed(databasePath, error);
    return output;
}

}  // namespace velmora::cli
