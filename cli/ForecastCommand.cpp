#include "cli/ForecastCommand.h"

#include "cli/CommandLine.h"
#include "cli/HistoryCommand.h"
#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "history/HistoryReader.h"
#include "history/StoredForecast.h"

namespace velmora::cli {

namespace {

template <typename T>
std::string JsonOrNull(const std::optional<T>& value) {
    if (!value) return "null";
    if constexpr (std::is_same_v<T, double>) {
        return ShortestNumber(*value);
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

}  // namespace

ConsoleOutput RunForecast(const std::string& databasePath, bool json) {
    history::HistoryReader reader(databasePath);
    if (auto refused = RefuseUnopenedHistory(reader, databasePath)) return *refused;
    const auto drives = reader.Drives();
    if (!drives.Ok()) return CannotReadHistory(databasePath, drives.Error);

    ConsoleOutput output;
    output.Out = json ? "{\"drives\": [" : "";
    for (std::size_t i = 0; i < drives.Value.size(); ++i) {
        const history::DriveRow& drive = drives.Value[i];
        const auto forecast = history::ForecastStoredDrive(reader, drive.Id);
        if (!forecast.Ok()) return CannotReadHistory(databasePath, forecast.Error);
        if (json) {
            output.Out += (i ? ", " : "") + DriveJson(drive, forecast.Value);
        } else {
            // The history is UTF-8, the console shows the system code page.
            output.Out += Utf8ToAnsi(DriveText(drive, forecast.Value));
        }
    }
    if (json) output.Out += "]}\n";
    return output;
}

}  // namespace velmora::cli
