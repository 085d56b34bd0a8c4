#include "cli/ForecastCommand.h"

#include <charconv>
#include <limits>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/HistoryCommand.h"
#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "history/HistoryReader.h"
#include "history/WearForecast.h"

namespace velmora::cli {

namespace {

// The shortest text that reads back as the same double.
std::string ShortestText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

template <typename T>
std::string JsonOrNull(const std::optional<T>& value) {
    if (!value) return "null";
    if constexpr (std::is_same_v<T, double>) {
        return ShortestText(*value);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return JsonString(*value);
    } else {
        return std::to_string(*value);
    }
}

std::string DriveJson(const history::DriveRow& drive, const history::WearForecast& f) {
    return "{\"serial_number\": " + JsonOrNull(drive.SerialNumber) + ", \"model\": " + JsonOrNull(drive.Model) +
           ", \"life_meter\": " + JsonOrNull(f.LifeMeter) + ", \"life_per_day\": " + JsonOrNull(f.LifePerDay) +
           ", \"gb_written_per_day\": " + JsonOrNull(f.GBWrittenPerDay) + ", \"days_left\": " + JsonOrNull(f.DaysLeft) +
           ", \"date_life_zero\": " + JsonOrNull(f.DateLifeZero) + ", \"basis_days\": " + std::to_string(f.BasisDays) +
           ", \"samples\": " + std::to_string(f.Samples) + ", \"reason\": " + JsonOrNull(f.Reason) + "}";
}

std::string DriveText(const history::DriveRow& drive, const history::WearForecast& f) {
    std::string text = drive.Model.value_or("") + " (serial number " + drive.SerialNumber.value_or("") + "): ";
    if (!f.DaysLeft) return text + "no forecast, " + f.Reason.value_or(history::kNotEnoughHistory) + "\n";
    return text + "life meter " + std::to_string(*f.LifeMeter) + " %, reaches 0 % around " + *f.DateLifeZero +
           " (in " + std::to_string(*f.DaysLeft) + " days; " + std::to_string(f.Samples) + " samples over " +
           std::to_string(f.BasisDays) + " days)\n";
}

ConsoleOutput Failed(const std::string& databasePath, const std::string& error) {
    ConsoleOutput output;
    output.Err = "Cannot read the history " + Utf8ToAnsi(databasePath) + ": " + error + "\n";
    output.ExitStatus = exit_status::Failure;
    return output;
}

}  // namespace

ConsoleOutput RunForecast(const std::string& databasePath, bool json) {
    history::HistoryReader reader(databasePath);
    if (reader.Outcome() == history::OpenOutcome::NoHistory) {
        ConsoleOutput output;
        output.Err = std::string(kNoHistoryText) + "\n";
        output.ExitStatus = exit_status::NoDrive;
        return output;
    }
    if (reader.Outcome() == history::OpenOutcome::Failed) return Failed(databasePath, reader.Error());
    const auto drives = reader.Drives();
    if (!drives.Ok()) return Failed(databasePath, drives.Error);

    ConsoleOutput output;
    output.Out = json ? "{\"drives\": [" : "";
    for (std::size_t i = 0; i < drives.Value.size(); ++i) {
        const history::DriveRow& drive = drives.Value[i];
        std::vector<history::WearPoint> points;
        const auto visited = reader.VisitSamples(drive.Id, std::numeric_limits<std::int64_t>::min(),
                                                 [&](const history::SampleRow& sample) {
                                                     if (sample.Refreshed.value_or(false) && sample.LifeMeter)
                                                         points.push_back({sample.Time, *sample.LifeMeter, sample.GBWritten});
                                                 });
        if (!visited.Ok()) return Failed(databasePath, visited.Error);
        const history::WearForecast forecast = history::ForecastWear(points);
        if (json) {
            output.Out += (i ? ", " : "") + DriveJson(drive, forecast);
        } else {
            // The history is UTF-8, the console shows the system code page.
            output.Out += Utf8ToAnsi(DriveText(drive, forecast));
        }
    }
    if (json) output.Out += "]}\n";
    return output;
}

}  // namespace velmora::cli
