#include "app/HealthHistory.h"

#include <cmath>
#include <limits>

#include "common/AnsiText.h"
#include "drives/DriveEnumeration.h"
#include "history/HistoryReader.h"
#include "history/HistoryTexts.h"
#include "history/StoredForecast.h"

namespace velmora {

namespace {

constexpr double kDaysPerYear = 365.25;
constexpr double kDaysPerMonth = kDaysPerYear / 12;

std::string Counted(std::int64_t count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

HealthHistory MessageOnly(std::string text) {
    HealthHistory shown;
    shown.Text = std::move(text);
    return shown;
}

// The console's wording: the path as the program holds it, SQLite's UTF-8
// message in the system code page.
HealthHistory CannotRead(const std::string& databasePath, const std::string& error) {
    return MessageOnly("Cannot read the history " + databasePath + ": " + Utf8ToAnsi(error));
}

// The drive's row: the one of its model among those with its serial number,
// else the first of them.
std::optional<std::int64_t> DriveRowId(const std::vector<history::DriveRow>& rows, const std::string& model) {
    if (rows.empty()) return std::nullopt;
    for (const history::DriveRow& row : rows) {
        if (row.Model == model) return row.Id;
    }
    return rows.front().Id;
}

}  // namespace

std::string HealthHistoryCaption(const DriveInfo* drive) {
    if (!drive) return kHealthHistoryCaption;
    return std::string(kHealthHistoryCaption) + ": " + drive->Model + " (serial number " + drive->SerialNumber + ")";
}

std::string ApproximateDuration(std::int64_t days) {
    const auto rounded = [&](double unit) { return static_cast<std::int64_t>(std::lround(days / unit)); };
    if (days >= 2 * kDaysPerYear) return "about " + Counted(rounded(kDaysPerYear), "year");
    if (days >= 2 * kDaysPerMonth) return "about " + Counted(rounded(kDaysPerMonth), "month");
    if (days >= 1) return "about " + Counted(days, "day");
    return "within a day";
}

std::string ForecastSentence(const history::WearForecast& forecast) {
    if (forecast.LifeMeter && *forecast.LifeMeter <= 0) return "The life meter has reached 0 %";
    if (forecast.DaysLeft && forecast.DateLifeZero) {
        return "At the current rate the life meter reaches 0 % around " + forecast.DateLifeZero->substr(0, 7) + " (" +
               ApproximateDuration(*forecast.DaysLeft) + ")";
    }
    return "No forecast yet: " + forecast.Reason.value_or(history::kNotEnoughHistory);
}

HealthHistory ReadHealthHistory(const std::string& databasePath, const DriveInfo* drive) {
    if (!drive) return MessageOnly(kNoDriveFoundText);
    // The system could not name the common application data folder.
    if (databasePath.empty()) return MessageOnly(history::kNoHistoryText);
    history::HistoryReader reader(AnsiToUtf8(databasePath));
    if (reader.Outcome() == history::OpenOutcome::NoHistory) return MessageOnly(history::kNoHistoryText);
    if (reader.Outcome() == history::OpenOutcome::Failed) return CannotRead(databasePath, reader.Error());

    const auto rows = reader.Drives(AnsiToUtf8(drive->SerialNumber));
    if (!rows.Ok()) return CannotRead(databasePath, rows.Error);
    const auto driveId = DriveRowId(rows.Value, AnsiToUtf8(drive->Model));
    if (!driveId) return MessageOnly(history::kNoHistoryText);

    HealthHistory shown;
    // Only a sample whose read succeeded carries values.
    const auto visited = reader.VisitSamples(*driveId, std::numeric_limits<std::int64_t>::min(),
                                             [&](const history::SampleRow& sample) {
                                                 const bool read = sample.Refreshed.value_or(false);
                                                 shown.Points.push_back({sample.Time,
                                                                         read ? sample.LifeMeter : std::nullopt,
                                                                         read ? sample.Temperature : std::nullopt});
                                             });
    if (!visited.Ok()) return CannotRead(databasePath, visited.Error);
    if (shown.Points.empty()) return MessageOnly(history::kNoHistoryText);

    const auto forecast = history::ForecastStoredDrive(reader, *driveId);
    if (!forecast.Ok()) return CannotRead(databasePath, forecast.Error);
    shown.Forecast = forecast.Value;
    shown.Text = ForecastSentence(shown.Forecast);
    shown.HasChart = true;
    return shown;
}

}  // namespace velmora
