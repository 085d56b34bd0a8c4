#include "metrics/MetricsText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fakes/ShellCommand.h"

namespace velmora::metrics {
namespace {

DriveMetrics Refreshed() {
    DriveMetrics drive;
    // A quote, a backslash and a line feed must stay inside the label; the
    // byte 0xFF is no UTF-8 and would make the collector refuse the file.
    drive.Sample.Drive = {"VM\"1", "VELMORA \\R730\nSSD", "Q5\xFF", "SATA", 256};
    history::SampleValues& v = drive.Sample.Values;
    v.Refreshed = true;
    v.PowerOnHours = 1200;
    v.PowerCycles = 37;
    v.MaxEraseCount = 80;
    v.AvgEraseCount = 41;
    v.GBWritten = 3500;
    v.Temperature = 38;
    v.LifeMeter = 97;
    v.Status = "OK";
    drive.SampleTime = 1796749200;
    drive.DaysLeft = 970;
    return drive;
}

// A drive whose refresh failed: its state and when it was tried, nothing it did not say.
DriveMetrics NotRefreshed() {
    DriveMetrics drive;
    drive.Sample.Drive = {"VM2", "VELMORA LP520 NVMe SSD", "N2", "NVMe", 512};
    drive.Sample.Values.Status = "UNKNOWN";
    drive.SampleTime = 1796749201;
    return drive;
}

constexpr char kLabels1[] = R"(serial_number="VM\"1",model="VELMORA \\R730\nSSD",firmware="Q5)"
                            "\xEF\xBF\xBD"
                            R"(",interface="SATA")";
constexpr char kLabels2[] = R"(serial_number="VM2",model="VELMORA LP520 NVMe SSD",firmware="N2",interface="NVMe")";

std::string Expected() {
    const std::string l1 = kLabels1, l2 = kLabels2;
    return "# HELP velmora_ssd_status The drive's status: 1 for the current one of ok, bad and unknown.\n"
           "# TYPE velmora_ssd_status gauge\n"
           "velmora_ssd_status{" +
           l1 +
           ",status=\"ok\"} 1\n"
           "velmora_ssd_status{" +
           l1 +
           ",status=\"bad\"} 0\n"
           "velmora_ssd_status{" +
           l1 +
           ",status=\"unknown\"} 0\n"
           "velmora_ssd_status{" +
           l2 +
           ",status=\"ok\"} 0\n"
           "velmora_ssd_status{" +
           l2 +
           ",status=\"bad\"} 0\n"
           "velmora_ssd_status{" +
           l2 +
           ",status=\"unknown\"} 1\n"
           "# HELP velmora_ssd_life_meter_percent Life left as the drive's life meter shows it (100 new, 0 worn out).\n"
           "# TYPE velmora_ssd_life_meter_percent gauge\n"
           "velmora_ssd_life_meter_percent{" +
           l1 +
           "} 97\n"
           "# HELP velmora_ssd_refresh_success 1 when the drive's SMART data was read at the last sample, else 0.\n"
           "# TYPE velmora_ssd_refresh_success gauge\n"
           "velmora_ssd_refresh_success{" +
           l1 +
           "} 1\n"
           "velmora_ssd_refresh_success{" +
           l2 +
           "} 0\n"
           "# HELP velmora_ssd_power_on_seconds_total Time the drive has been powered on.\n"
           "# TYPE velmora_ssd_power_on_seconds_total counter\n"
           "velmora_ssd_power_on_seconds_total{" +
           l1 +
           "} 4320000\n"
           "# HELP velmora_ssd_power_cycles_total Times the drive has been powered on.\n"
           "# TYPE velmora_ssd_power_cycles_total counter\n"
           "velmora_ssd_power_cycles_total{" +
           l1 +
           "} 37\n"
           "# HELP velmora_ssd_erase_count_max Highest erase count of the drive's blocks.\n"
           "# TYPE velmora_ssd_erase_count_max gauge\n"
           "velmora_ssd_erase_count_max{" +
           l1 +
           "} 80\n"
           "# HELP velmora_ssd_erase_count_avg Average erase count of the drive's blocks.\n"
           "# TYPE velmora_ssd_erase_count_avg gauge\n"
           "velmora_ssd_erase_count_avg{" +
           l1 +
           "} 41\n"
           "# HELP velmora_ssd_written_bytes_total Data written by the host, as the drive counts it in GB.\n"
           "# TYPE velmora_ssd_written_bytes_total counter\n"
           "velmora_ssd_written_bytes_total{" +
           l1 +
           "} 3500000000000\n"
           "# HELP velmora_ssd_temperature_celsius Drive temperature.\n"
           "# TYPE velmora_ssd_temperature_celsius gauge\n"
           "velmora_ssd_temperature_celsius{" +
           l1 +
           "} 38\n"
           "# HELP velmora_ssd_over_temperature 1 when the drive reports over temperature, else 0.\n"
           "# TYPE velmora_ssd_over_temperature gauge\n"
           "velmora_ssd_over_temperature{" +
           l1 +
           "} 0\n"
           "# HELP velmora_ssd_life_forecast_seconds Time until the life meter reaches 0 % at the rate of the last 90 "
           "days.\n"
           "# TYPE velmora_ssd_life_forecast_seconds gauge\n"
           "velmora_ssd_life_forecast_seconds{" +
           l1 +
           "} 83808000\n"
           "# HELP velmora_ssd_last_sample_timestamp_seconds When the drive was last sampled, Unix time.\n"
           "# TYPE velmora_ssd_last_sample_timestamp_seconds gauge\n"
           "velmora_ssd_last_sample_timestamp_seconds{" +
           l1 +
           "} 1796749200\n"
           "velmora_ssd_last_sample_timestamp_seconds{" +
           l2 +
           "} 1796749201\n"
           "# HELP velmora_ssd_sample_interval_seconds Time between the health watch's samples.\n"
           "# TYPE velmora_ssd_sample_interval_seconds gauge\n"
           "velmora_ssd_sample_interval_seconds 3600\n";
}

// What Prometheus's own linter says about the text: empty when it accepts it without a warning.
std::string PromtoolVerdict(const std::string& text) {
    const auto file =
        std::filesystem::temp_directory_path() / ("velmora-metrics-" + std::to_string(::getpid()) + ".prom");
    std::ofstream(file, std::ios::binary) << text;
    const testing::ShellResult lint = testing::RunShell("promtool check metrics < '" + file.string() + "'");
    std::filesystem::remove(file);
    return lint.ExitStatus == 0 ? lint.Output : "exit " + std::to_string(lint.ExitStatus) + ": " + lint.Output;
}

TEST(MetricsText, EveryReportedValueOnceInBaseUnitsEscapedAndAcceptedByPromtool) {
    MetricsInput input{{Refreshed(), NotRefreshed()}, 3600};
    const std::string text = MetricsText(input);
    EXPECT_EQ(text, Expected());
    EXPECT_EQ(PromtoolVerdict(text), "");
}

TEST(MetricsText, ADriveWithoutHealthDataHasNoLifeMeterAndNoDrivesNoSeries) {
    // A refreshed drive without health data shows a meter of 0 that says
    // nothing about its wear: written, it would raise "life under 10 %".
    DriveMetrics drive = Refreshed();
    drive.Sample.Values.Status = "UNKNOWN";
    drive.Sample.Values.LifeMeter = 0;
    EXPECT_EQ(MetricsText({{drive}, std::nullopt}).find("velmora_ssd_life_meter_percent"), std::string::npos);
    EXPECT_EQ(MetricsText({}), "");
}

}  // namespace
}  // namespace velmora::metrics
