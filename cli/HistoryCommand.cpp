#include "cli/HistoryCommand.h"

#include <vector>

#include "cli/CommandLine.h"
#include "cli/OutputLine.h"
#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "history/HistoryReader.h"
#include "history/HistoryTexts.h"
#include "history/HistoryTime.h"

namespace velmora::cli {

namespace {

// A sample's usual length in each form, a little more than measured.
constexpr std::size_t kJsonSampleBytes = 256;
constexpr std::size_t kTextSampleBytes = 144;

using history::DriveRow;
using history::EventRow;
using history::SampleRow;

// ---- JSON: the keys of "status --json", NULL as null.

void PutJson(OutputLine& line, const std::optional<std::int64_t>& value) {
    value ? line.Number(*value) : line.Put("null");
}

void PutJson(OutputLine& line, const std::optional<bool>& value) {
    line.Put(value ? (*value ? "true" : "false") : "null");
}

template <typename Text>
void PutJson(OutputLine& line, const std::optional<Text>& value) {
    value ? AppendJsonString(line.End(), *value) : line.Put("null");
}

void PutJsonTime(OutputLine& line, std::int64_t time) {
    line.Put("\"");
    line.Time(time);
    line.Put("\"");
}

void AppendJsonSample(std::string& out, const SampleRow& sample) {
    OutputLine line(out);
    line.Put("{\"time\": ");
    PutJsonTime(line, sample.Time);
    line.Put(", \"refreshed\": ");
    PutJson(line, sample.Refreshed);
    line.Put(", \"power_on_hours\": ");
    PutJson(line, sample.PowerOnHours);
    line.Put(", \"power_cycles\": ");
    PutJson(line, sample.PowerCycles);
    line.Put(", \"max_erase_count\": ");
    PutJson(line, sample.MaxEraseCount);
    line.Put(", \"avg_erase_count\": ");
    PutJson(line, sample.AvgEraseCount);
    line.Put(", \"gb_written\": ");
    PutJson(line, sample.GBWritten);
    line.Put(", \"temperature\": ");
    PutJson(line, sample.Temperature);
    line.Put(", \"over_temperature\": ");
    PutJson(line, sample.OverTemperature);
    line.Put(", \"life_meter\": ");
    PutJson(line, sample.LifeMeter);
    line.Put(", \"status\": ");
    PutJson(line, sample.Status);
    line.Put("}");
    line.End();
}

void AppendJsonDriveHead(std::string& out, const DriveRow& drive) {
    OutputLine line(out);
    line.Put("{\"serial_number\": ");
    PutJson(line, drive.SerialNumber);
    line.Put(", \"model\": ");
    PutJson(line, drive.Model);
    line.Put(", \"firmware\": ");
    PutJson(line, drive.Firmware);
    line.Put(", \"interface\": ");
    PutJson(line, drive.Interface);
    line.Put(", \"capacity_gb\": ");
    PutJson(line, drive.CapacityGB);
    line.Put(", \"samples\": [");
    line.End();
}

void AppendJsonEvent(std::string& out, const EventRow& event) {
    OutputLine line(out);
    line.Put("{\"time\": ");
    PutJsonTime(line, event.Time);
    line.Put(", \"event_id\": ");
    PutJson(line, event.EventId);
    line.Put(", \"serial_number\": ");
    PutJson(line, event.SerialNumber);
    line.Put(", \"message\": ");
    PutJson(line, event.Message);
    line.Put("}");
    line.End();
}

// ---- Text: a table per drive, NULL as "-", texts in the console's code page.

// The history's UTF-8 as the console shows it; ASCII, by far the most
// usual, as it is.
void PutShown(OutputLine& line, std::string_view utf8) {
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) return line.Put(Utf8ToAnsi(utf8));
    }
    line.Put(utf8);
}

template <typename Text>
void PutShown(OutputLine& line, const std::optional<Text>& text) {
    PutShown(line, text ? std::string_view(*text) : std::string_view("-"));
}

void PutShown(OutputLine& line, const std::optional<std::int64_t>& value) {
    value ? line.Number(*value) : line.Put("-");
}

void PutShown(OutputLine& line, const std::optional<bool>& value) { line.Put(value ? (*value ? "yes" : "no") : "-"); }

struct Column {
    const char* Title;
    std::size_t Width;
};

constexpr Column kColumns[] = {
    {"Time (UTC)", 20}, {"Refreshed", 9},   {"Power on hours", 14}, {"Cycles", 8},
    {"Max. erase", 10}, {"Avg. erase", 10}, {"GiB written", 11},    {"Temperature", 11},
    {"Over temp.", 10}, {"Life", 4},        {"Status", 0},
};

// A table row: each cell padded to its column's width, two spaces apart.
class TableRow {
public:
    explicit TableRow(std::string& out) : line_(out) { line_.Put("  "); }
    TableRow(const TableRow&) = delete;
    TableRow& operator=(const TableRow&) = delete;

    template <typename Value>
    void Cell(const Value& value) {
        const std::size_t start = line_.Position();
        PutShown(line_, value);
        Pad(start);
    }
    void TimeCell(std::int64_t time) {
        const std::size_t start = line_.Position();
        line_.Time(time);
        Pad(start);
    }
    void End() {
        line_.Put("\n");
        line_.End();
    }

private:
    void Pad(std::size_t cellStart) {
        const std::size_t width = kColumns[column_].Width;
        if (++column_ == std::size(kColumns)) return;  // the last cell has no padding
        const std::size_t used = line_.Position() - cellStart;
        line_.Spaces((used < width ? width - used : 0) + 2);
    }

    OutputLine line_;
    std::size_t column_ = 0;
};

void AppendTextDriveHead(std::string& out, const DriveRow& drive) {
    OutputLine line(out);
    PutShown(line, drive.Model);
    line.Put(", serial number ");
    PutShown(line, drive.SerialNumber);
    line.Put(", firmware ");
    PutShown(line, drive.Firmware);
    line.Put(", ");
    PutShown(line, drive.Interface);
    line.Put(", ");
    PutShown(line, drive.CapacityGB);
    line.Put(" GB\n");
    line.End();
    TableRow header(out);
    for (const Column& column : kColumns) header.Cell(std::optional<std::string_view>(column.Title));
    header.End();
}

void AppendTextSample(std::string& out, const SampleRow& sample) {
    TableRow row(out);
    row.TimeCell(sample.Time);
    row.Cell(sample.Refreshed);
    row.Cell(sample.PowerOnHours);
    row.Cell(sample.PowerCycles);
    row.Cell(sample.MaxEraseCount);
    row.Cell(sample.AvgEraseCount);
    row.Cell(sample.GBWritten);
    row.Cell(sample.Temperature);
    row.Cell(sample.OverTemperature);
    row.Cell(sample.LifeMeter);
    row.Cell(sample.Status);
    row.End();
}

void AppendTextEvents(std::string& out, const std::vector<const EventRow*>& events) {
    if (events.empty()) return;
    out += "  Events:\n";
    for (const EventRow* event : events) {
        OutputLine line(out);
        line.Put("  ");
        line.Time(event->Time);
        line.Put("  ");
        PutShown(line, event->EventId);
        line.Put("  ");
        PutShown(line, event->Message);
        line.Put("\n");
        line.End();
    }
}

// ---- Both forms, drive by drive, rows streamed into the output.

struct HistoryRows {
    std::vector<DriveRow> Drives;
    std::vector<EventRow> Events;
};

[[nodiscard]] std::string WriteJson(history::HistoryReader& reader, const HistoryRows& rows, std::int64_t since,
                                    std::string& out) {
    out += "{\"drives\": [";
    for (std::size_t d = 0; d < rows.Drives.size(); ++d) {
        out += d ? ", " : "";
        AppendJsonDriveHead(out, rows.Drives[d]);
        bool first = true;
        const auto read = reader.VisitSamples(rows.Drives[d].Id, since, [&](const SampleRow& sample) {
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

[[nodiscard]] std::string WriteText(history::HistoryReader& reader, const HistoryRows& rows, const HistoryQuery& query,
                                    std::string& out) {
    const std::int64_t since = query.Since;
    if (rows.Drives.empty()) {
        out += query.SerialNumber
                   ? "No drive with serial number " + Utf8ToAnsi(*query.SerialNumber) + " in the history.\n"
                   : std::string("No drive in the history yet.\n");
    }
    for (const DriveRow& drive : rows.Drives) {
        AppendTextDriveHead(out, drive);
        const auto read =
            reader.VisitSamples(drive.Id, since, [&](const SampleRow& sample) { AppendTextSample(out, sample); });
        if (!read.Ok()) return read.Error;
        if (read.Value == 0) out += "  (no samples)\n";
        std::vector<const EventRow*> events;
        for (const EventRow& event : rows.Events) {
            if (event.DriveId == drive.Id) events.push_back(&event);
        }
        AppendTextEvents(out, events);
        out += '\n';
    }
    // The watch's own events (start, settings, alert command) belong to no drive.
    std::vector<const EventRow*> general;
    for (const EventRow& event : rows.Events) {
        if (!event.DriveId) general.push_back(&event);
    }
    if (!general.empty()) {
        out += "Health watch\n";
        AppendTextEvents(out, general);
    }
    return {};
}

}  // namespace

ConsoleOutput CannotReadHistory(const std::string& databasePath, const std::string& error) {
    ConsoleOutput output;
    output.Err = "Cannot read the history " + Utf8ToAnsi(databasePath) + ": " + error + "\n";
    output.ExitStatus = exit_status::Failure;
    return output;
}

std::optional<ConsoleOutput> RefuseUnopenedHistory(const history::HistoryReader& reader,
                                                   const std::string& databasePath) {
    if (reader.Outcome() == history::OpenOutcome::Opened) return std::nullopt;
    if (reader.Outcome() == history::OpenOutcome::Failed) return CannotReadHistory(databasePath, reader.Error());
    ConsoleOutput output;
    output.Err = std::string(history::kNoHistoryText) + "\n";
    output.ExitStatus = exit_status::NoDrive;
    return output;
}

ConsoleOutput RunHistory(const std::string& databasePath, const HistoryQuery& query) {
    history::HistoryReader reader(databasePath);
    if (auto refused = RefuseUnopenedHistory(reader, databasePath)) return *refused;

    const std::optional<std::string_view> serial =
        query.SerialNumber ? std::optional<std::string_view>(*query.SerialNumber) : std::nullopt;
    auto drives = reader.Drives(serial);
    if (!drives.Ok()) return CannotReadHistory(databasePath, drives.Error);
    auto events = reader.Events(query.Since, serial);
    if (!events.Ok()) return CannotReadHistory(databasePath, events.Error);
    const HistoryRows rows{std::move(drives.Value), std::move(events.Value)};
    const auto samples = reader.SampleCount(query.Since, serial);
    if (!samples.Ok()) return CannotReadHistory(databasePath, samples.Error);

    ConsoleOutput output;
    // Three years of hourly samples of 16 drives make some 100 MB of JSON:
    // one allocation instead of a series of copies.
    const std::size_t rowBytes = query.Json ? kJsonSampleBytes : kTextSampleBytes;
    output.Out.reserve(static_cast<std::size_t>(samples.Value) * rowBytes +
                       (rows.Drives.size() + rows.Events.size()) * 512);
    const std::string error =
        query.Json ? WriteJson(reader, rows, query.Since, output.Out) : WriteText(reader, rows, query, output.Out);
    if (!error.empty()) return CannotReadHistory(databasePath, error);
    return output;
}

}  // namespace velmora::cli
