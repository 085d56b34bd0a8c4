#include "cli/MetricsCommand.h"

#include <vector>

#include "cli/CommandLine.h"
#include "drives/DriveEnumeration.h"
#include "drives/DriveSnapshot.h"
#include "drives/OsVersion.h"
#include "drives/SmartRefresh.h"
#include "history/HistoryReader.h"
#include "history/StoredForecast.h"
#include "metrics/MetricsText.h"

namespace velmora::cli {

ConsoleOutput RunMetrics(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes, const std::string& databasePath,
                         std::int64_t now) {
    if (auto refused = RefuseUnsupportedOs(wmi)) return *refused;
    ConsoleOutput output;
    DriveTable table;
    if (EnumerateDrives(table, wmi, devices, OSVersionPrefix) != 0) {
        output.ExitStatus = exit_status::Failure;
        return output;
    }
    metrics::MetricsInput input;
    std::vector<history::DriveIdentity> identities;
    for (int i = 0; i < table.DiskCount(); ++i) {
        const int result = RefreshDriveSmart(table, i, pipes);
        input.Drives.push_back({SnapshotDrive(table[i], result), now, std::nullopt});
        identities.push_back(input.Drives.back().Sample.Drive);
    }
    if (!databasePath.empty() && !identities.empty()) {
        history::HistoryReader reader(databasePath);
        const auto forecasts = history::ForecastDrives(reader, identities);
        for (std::size_t i = 0; i < forecasts.size(); ++i) {
            if (forecasts[i]) input.Drives[i].DaysLeft = forecasts[i]->DaysLeft;
        }
    }
    output.Out = metrics::MetricsText(input);
    if (table.DiskCount() == 0) {
        output.Err = std::string(kNoDriveFoundText) + "\n";
        output.ExitStatus = exit_status::NoDrive;
    }
    return output;
}

}  // namespace velmora::cli
