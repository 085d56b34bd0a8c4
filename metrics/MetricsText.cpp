#include "metrics/MetricsText.h"

#include <functional>
#include <limits>

#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "history/KnownDrives.h"

namespace velmora::metrics {

namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kBytesPerGB = 1000000000;

// A label value as the format wants it: backslash, quote and line feed
// escaped, and bytes that are not UTF-8 as U+FFFD, which the parsers
// otherwise refuse for the whole file.
void AppendLabelValue(std::string& out, std::string_view utf8) {
    AppendValidUtf8(out, utf8, [&out](char c) {
        if (c == '\\' || c == '"') out += '\\';
        out += c == '\n' ? std::string_view("\\n") : std::string_view(&c, 1);
    });
}

std::string Labels(const history::DriveIdentity& drive) {
    std::string labels = "serial_number=\"";
    AppendLabelValue(labels, drive.SerialNumber);
    labels += "\",model=\"";
    AppendLabelValue(labels, drive.Model);
    labels += "\",firmware=\"";
    AppendLabelValue(labels, drive.Firmware);
    labels += "\",interface=\"";
    AppendLabelValue(labels, drive.Interface);
    labels += '"';
    return labels;
}

// value × factor, exactly while it fits, else as the double the format
// holds anyway.
std::string Scaled(std::int64_t value, std::int64_t factor) {
    if (value <= std::numeric_limits<std::int64_t>::max() / factor &&
        value >= std::numeric_limits<std::int64_t>::min() / factor)
        return std::to_string(value * factor);
    return ShortestNumber(static_cast<double>(value) * factor);
}

std::optional<std::string> Number(const std::optional<std::int64_t>& value, std::int64_t factor = 1) {
    return value ? std::optional<std::string>(Scaled(*value, factor)) : std::nullopt;
}

struct Family {
    const char* Name;
    const char* Type;
    const char* Help;
    // The drive's value, or nothing when it does not report one.
    std::function<std::optional<std::string>(const DriveMetrics&)> Value;
};

const std::vector<Family>& DriveFamilies() {
    static const std::vector<Family> families = {
        {"velmora_ssd_life_meter_percent", "gauge",
         "Life left as the drive's life meter shows it (100 new, 0 worn out).",
         [](const DriveMetrics& d) { return Number(history::KnownLifeMeter(d.Sample.Values)); }},
        {"velmora_ssd_refresh_success", "gauge", "1 when the drive's SMART data was read at the last sample, else 0.",
         [](const DriveMetrics& d) { return std::optional<std::string>(d.Sample.Values.Refreshed ? "1" : "0"); }},
        {"velmora_ssd_power_on_seconds_total", "counter", "Time the drive has been powered on.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.PowerOnHours, kSecondsPerHour); }},
        {"velmora_ssd_power_cycles_total", "counter", "Times the drive has been powered on.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.PowerCycles); }},
        {"velmora_ssd_erase_count_max", "gauge", "Highest erase count of the drive's blocks.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.MaxEraseCount); }},
        {"velmora_ssd_erase_count_avg", "gauge", "Average erase count of the drive's blocks.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.AvgEraseCount); }},
        {"velmora_ssd_written_bytes_total", "counter", "Data written by the host, as the drive counts it in GB.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.GBWritten, kBytesPerGB); }},
        {"velmora_ssd_temperature_celsius", "gauge", "Drive temperature.",
         [](const DriveMetrics& d) { return Number(d.Sample.Values.Temperature); }},
        // The flag is a reading only when the drive answered.
        {"velmora_ssd_over_temperature", "gauge", "1 when the drive reports over temperature, else 0.",
         [](const DriveMetrics& d) {
             const history::SampleValues& v = d.Sample.Values;
             return v.Refreshed ? std::optional<std::string>(v.OverTemperature ? "1" : "0") : std::nullopt;
         }},
        {"velmora_ssd_life_forecast_seconds", "gauge",
         "Time until the life meter reaches 0 % at the rate of the last 90 days.",
         [](const DriveMetrics& d) { return Number(d.DaysLeft, kSecondsPerDay); }},
        {"velmora_ssd_last_sample_timestamp_seconds", "gauge", "When the drive was last sampled, Unix time.",
         [](const DriveMetrics& d) { return std::optional<std::string>(std::to_string(d.SampleTime)); }},
    };
    return families;
}

void AppendHead(std::string& out, const char* name, const char* type, const char* help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void AppendStatus(std::string& out, const std::vector<DriveMetrics>& drives) {
    if (drives.empty()) return;
    AppendHead(out, "velmora_ssd_status", "gauge", "The drive's status: 1 for the current one of ok, bad and unknown.");
    for (const DriveMetrics& drive : drives) {
        const std::string& status = drive.Sample.Values.Status;
        const std::string labels = Labels(drive.Sample.Drive);
        for (const auto& [state, text] :
             {std::pair{"ok", "OK"}, std::pair{"bad", "BAD"}, std::pair{"unknown", "UNKNOWN"}}) {
            out += "velmora_ssd_status{" + labels + ",status=\"" + state + "\"} " + (status == text ? "1\n" : "0\n");
        }
    }
}

}  // namespace

std::string MetricsText(const MetricsInput& input) {
    std::vector<std::string> labels;
    labels.reserve(input.Drives.size());
    for (const DriveMetrics& drive : input.Drives) labels.push_back(Labels(drive.Sample.Drive));

    std::string out;
    AppendStatus(out, input.Drives);
    for (const Family& family : DriveFamilies()) {
        bool headWritten = false;
        for (std::size_t i = 0; i < input.Drives.size(); ++i) {
            const std::optional<std::string> value = family.Value(input.Drives[i]);
            if (!value) continue;
            if (!headWritten) AppendHead(out, family.Name, family.Type, family.Help);
            headWritten = true;
            out += family.Name;
            out += '{' + labels[i] + "} " + *value + '\n';
        }
    }
    if (input.SampleIntervalSeconds) {
        AppendHead(out, "velmora_ssd_sample_interval_seconds", "gauge", "Time between the health watch's samples.");
        out += "velmora_ssd_sample_interval_seconds " + std::to_string(*input.SampleIntervalSeconds) + '\n';
    }
    return out;
}

}  // namespace velmora::metrics
