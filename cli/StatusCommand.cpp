#include "cli/StatusCommand.h"

#include "drives/DriveEnumeration.h"
#include "drives/DriveHealth.h"
#include "drives/DrivePresenter.h"
#include "drives/DriveSnapshot.h"
#include "drives/DriveView.h"
#include "drives/OsVersion.h"
#include "drives/RawReport.h"
#include "drives/SmartRefresh.h"
#include "cli/CommandLine.h"
#include "common/JsonText.h"

namespace velmora::cli {

namespace {

std::string Padded(std::string label, std::size_t width) {
    label += ':';
    if (label.size() < width) label.append(width - label.size(), ' ');
    return label;
}

// Why a drive has no values where the system is the cause; empty otherwise.
std::string_view MissingValuesReason(const DriveInfo& drive, int refreshResult, std::string_view osVersionPrefix) {
    const bool emptyNvme = drive.InterfaceType == kInterfaceNvme && refreshResult == 0 && drive.SmartValid == 0;
    return emptyNvme && OsLacksNvmeHealthLog(osVersionPrefix) ? kNvmeNeedsWindows10Text : std::string_view();
}

}  // namespace

std::string DescribeStatusText(const DriveTable& table, const std::vector<int>& refreshResults,
                               std::string_view osVersionPrefix) {
    std::string text;
    for (int i = 0; i < table.DiskCount(); ++i) {
        const DriveInfo& drive = table[i];
        const int result = refreshResults.at(static_cast<std::size_t>(i));
        const DriveDisplay display = DescribeDrive(drive, result);
        text += "Drive " + std::to_string(i + 1) + " of " + std::to_string(table.DiskCount()) +
                " (drive number " + std::to_string(drive.Index) + ")\n";
        for (std::size_t f = 0; f < kFieldCount; ++f)
            text += "  " + Padded(kFieldLabels[f], 22) + display.Fields[f] + "\n";
        text += "  " + Padded("Interface", 22) + std::string(InterfaceText(drive.InterfaceType)) + "\n";
        text += "  " + Padded("SSD life meter", 22) +
                (display.GaugePosition ? std::to_string(*display.GaugePosition) + "%" : std::string()) + "\n";
        const std::string_view reason = MissingValuesReason(drive, result, osVersionPrefix);
        text += "  " + Padded("Status", 22) + std::string(HealthStatusText(DriveStatus(drive))) +
                (result == 0 ? "" : " (refresh failed)") +
                (reason.empty() ? std::string() : " (" + std::string(reason) + ")") + "\n";
    }
    return text;
}

std::string DescribeStatusJson(const DriveTable& table, const std::vector<int>& refreshResults,
                               std::string_view osVersionPrefix) {
    std::string json = "{\"drives\": [";
    for (int i = 0; i < table.DiskCount(); ++i) {
        const DriveInfo& drive = table[i];
        const int result = refreshResults.at(static_cast<std::size_t>(i));
        // The values the history stores come from the same snapshot.
        const history::DriveSample sample = SnapshotDrive(drive, result);
        const history::DriveIdentity& id = sample.Drive;
        const history::SampleValues& values = sample.Values;
        auto value = [](const std::optional<std::int64_t>& v) { return v ? std::to_string(*v) : std::string("null"); };
        json += i ? ", " : "";
        json += "{\"position\": " + std::to_string(i);
        json += ", \"drive_number\": " + std::to_string(drive.Index);
        json += ", \"model\": " + JsonString(id.Model);
        json += ", \"capacity_gb\": " + std::to_string(id.CapacityGB);
        json += ", \"serial_number\": " + JsonString(id.SerialNumber);
        json += ", \"firmware\": " + JsonString(id.Firmware);
        json += ", \"interface\": " + JsonString(id.Interface);
        json += ", \"refreshed\": " + JsonBool(values.Refreshed);
        json += ", \"smart_valid\": " + JsonBool(drive.SmartValid != 0);
        json += ", \"healthy\": " + JsonBool(drive.Healthy != 0);
        json += ", \"over_temperature\": " + JsonBool(values.OverTemperature);
        json += ", \"power_on_hours\": " + value(values.PowerOnHours);
        json += ", \"power_cycles\": " + value(values.PowerCycles);
        json += ", \"max_erase_count\": " + value(values.MaxEraseCount);
        json += ", \"avg_erase_count\": " + value(values.AvgEraseCount);
        json += ", \"gb_written\": " + value(values.GBWritten);
        json += ", \"temperature\": " + value(values.Temperature);
        json += ", \"life_percent\": " + (values.Refreshed ? JsonKnownNumber(drive.LifePercent) : std::string("null"));
        json += ", \"life_meter\": " + value(values.LifeMeter);
        json += ", \"status\": " + JsonString(values.Status);
        const std::string_view reason = MissingValuesReason(drive, result, osVersionPrefix);
        if (!reason.empty()) json += ", \"reason\": " + JsonString(reason);
        json += "}";
    }
    json += "]}\n";
    return json;
}

int StatusExitCode(const DriveTable& table) {
    if (table.DiskCount() == 0) return exit_status::NoDrive;
    bool anyUnknown = false;
    for (int i = 0; i < table.DiskCount(); ++i) {
        const HealthStatus status = DriveStatus(table[i]);
        if (status == HealthStatus::BAD) return exit_status::SomeBad;
        anyUnknown = anyUnknown || status == HealthStatus::UNKNOWN;
    }
    return anyUnknown ? exit_status::SomeUnknown : exit_status::AllOk;
}

std::optional<ConsoleOutput> RefuseUnsupportedOs(WmiSource& wmi) {
    const OsVersionCheck os = CheckOperatingSystem(wmi);
    if (os.Outcome == OsVersionOutcome::Accepted) return std::nullopt;
    ConsoleOutput output;
    // A failed query was reported already; only a refused version has words of its own.
    if (os.Outcome == OsVersionOutcome::Unsupported) output.Err = std::string(kUnsupportedOsText) + "\n";
    output.ExitStatus = exit_status::Failure;
    return output;
}

std::optional<ConsoleOutput> ListDrives(WmiSource& wmi, DeviceIo& devices, DriveTable& table) {
    if (auto refused = RefuseUnsupportedOs(wmi)) return refused;
    // The enumeration reports its own failure.
    if (EnumerateDrives(table, wmi, devices, OSVersionPrefix) != 0) return ConsoleOutput{{}, {}, exit_status::Failure};
    return std::nullopt;
}

ConsoleOutput RunStatus(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes, bool json) {
    DriveTable table;
    if (auto failed = ListDrives(wmi, devices, table)) return *failed;
    ConsoleOutput output;
    if (table.DiskCount() == 0) {
        output.Err = std::string(kNoDriveFoundText) + "\n";
        if (json) output.Out = "{\"drives\": []}\n";
        output.ExitStatus = exit_status::NoDrive;
        return output;
    }
    std::vector<int> results;
    for (int i = 0; i < table.DiskCount(); ++i) {
        // A failed refresh leaves the entry's flags as they were: zero here,
        // so the drive counts as UNKNOWN.
        results.push_back(RefreshDriveSmart(table, i, pipes));
    }
    output.Out = json ? DescribeStatusJson(table, results, OSVersionPrefix)
                      : DescribeStatusText(table, results, OSVersionPrefix);
    output.ExitStatus = StatusExitCode(table);
    return output;
}

}  // namespace velmora::cli
