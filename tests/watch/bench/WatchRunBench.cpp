// Times one sampling run of 16 drives beyond the refreshes themselves (the
// pipe answers at once): enumeration, decoding, judging and the store's
// transaction with its fsync. Then writes a year of hourly samples for 1 and
// for 16 drives, one transaction per run as the watch does, and prints the
// database's size per drive and year, and how long opening it (with its
// integrity check) and loading the drives' state take.
// Usage: watch_run_bench [folder]  (default: the system's temporary folder)
// Build without sanitizers for meaningful figures.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "tests/drives/PipeReplies.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/FakeWatchClock.h"
#include "tests/fakes/FakeWmiSource.h"
#include "watch/DriveSampler.h"
#include "watch/DriveTransitions.h"

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kDrives = 16;
constexpr int kTimedRuns = 51;
constexpr std::int64_t kHoursPerYear = 24 * 365;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct SixteenDrives {
    SixteenDrives() {
        devices.OpenError = 2;  // no descriptors: identity from WMI, interface from the firmware family
        fakes::FakeClass disks{
            {u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"}, {}};
        for (int i = 0; i < kDrives; ++i) {
            const std::u16string n(1, static_cast<char16_t>(u'A' + i));
            disks.Rows.push_back({WmiVariant::Int32(i), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE" + n),
                                  WmiVariant::Text(u"SCSI\\DISK&VEN_VELMORA\\" + n),
                                  WmiVariant::Text(u"VELMORA R730 SSD"), WmiVariant::Text(u"VMQ50000" + n),
                                  WmiVariant::Text(u"Q5RT2B1"), WmiVariant::Text(u"256060514304")});
            pipes.SetReply(i, SealReply(test_support::AtaReply()));
        }
        wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", disks);
        wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem",
                fakes::FakeClass{{u"Version"}, {{WmiVariant::Text(u"10.0.19045")}}});
    }
    fakes::FakeWmiSource wmi;
    fakes::FakeDeviceIo devices;
    fakes::FakeSmartService pipes;
    fakes::FakeWatchClock clock;
};

void TimeOneRun(const fs::path& folder) {
    SixteenDrives machine;
    watch::SourcesSampler sampler(machine.wmi, machine.devices, machine.pipes, machine.clock);
    history::HistoryStore store((folder / "run.db").string());
    if (store.Open(0).State != history::OpenState::Ready) return;
    std::vector<history::KnownDrive> known;
    std::vector<double> sampling, storing;
    const std::atomic<bool> stop{false};
    for (int run = 0; run < kTimedRuns; ++run) {
        machine.clock.Now += 3600;
        const auto start = Clock::now();
        watch::SampleOutcome outcome = sampler.Sample(stop);
        const std::vector<watch::WatchEvent> events = watch::JudgeTransitions(known, outcome.Samples);
        known = history::AdvanceKnownDrives(known, outcome.Samples);
        const auto sampled = Clock::now();
        history::RunRecord record{machine.clock.Now, machine.clock.Now, "interval", std::move(outcome.Samples), {},
                                  std::nullopt};
        for (const auto& e : events)
            record.Events.push_back({record.Finished, static_cast<int>(e.Id), e.Drive, e.Message});
        if (!store.WriteRun(record).Ok) return;
        const auto stored = Clock::now();
        sampling.push_back(Milliseconds(sampled - start));
        storing.push_back(Milliseconds(stored - sampled));
    }
    std::printf(
        "one run of %d drives, median of %d: enumerate+decode+judge %.3f ms, store (one transaction, "
        "synchronous FULL) %.3f ms\n",
        kDrives, kTimedRuns, Median(sampling), Median(storing));
}

history::TimedSample YearSample(std::int64_t hour, int drive) {
    history::TimedSample timed;
    timed.Time = 1'700'000'000 + hour * 3600 + drive;
    timed.Sample.Drive = {"VMQ5" + std::to_string(100000 + drive), "VELMORA R730 SSD", "Q5RT2B1", "SATA", 256};
    history::SampleValues& v = timed.Sample.Values;
    v.Refreshed = true;
    v.PowerOnHours = 5000 + hour;
    v.PowerCycles = 300 + hour / 24;
    v.MaxEraseCount = 40 + hour / 500;
    v.AvgEraseCount = 600 + hour / 100;
    v.GBWritten = 5000 + hour * 3;
    v.Temperature = 35 + (hour % 12);
    v.LifeMeter = 80 - hour / 2000;
    v.Status = "OK";
    return timed;
}

std::uintmax_t WriteYear(const fs::path& file, int drives) {
    history::HistoryStore store(file.string());
    if (store.Open(0).State != history::OpenState::Ready) return 0;
    const auto start = Clock::now();
    for (std::int64_t hour = 0; hour < kHoursPerYear; ++hour) {
        history::RunRecord run{
            1'700'000'000 + hour * 3600, 1'700'000'000 + hour * 3600 + 5, "interval", {}, {}, std::nullopt};
        for (int d = 0; d < drives; ++d) run.Samples.push_back(YearSample(hour, d));
        if (!store.WriteRun(run).Ok) return 0;
    }
    std::printf("a year of hourly runs, %2d drive(s): written in %.1f s", drives,
                Milliseconds(Clock::now() - start) / 1000);
    store.Close();
    const std::uintmax_t size = fs::file_size(file);

    auto opening = Clock::now();
    history::HistoryStore reopened(file.string());
    (void)reopened.Open(0);
    const double openMs = Milliseconds(Clock::now() - opening);
    std::vector<history::KnownDrive> known;
    opening = Clock::now();
    (void)reopened.LoadKnownDrives(known);
    std::printf(
        ", file %.2f MB (WAL %ju bytes after close); open with integrity check %.1f ms, load %zu drives' "
        "state %.1f ms\n",
        static_cast<double>(size) / 1e6, static_cast<std::uintmax_t>(fs::file_size(file.string() + "-wal")), openMs,
        known.size(), Milliseconds(Clock::now() - opening));
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path folder = base / ("watch-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    TimeOneRun(folder);
    const std::uintmax_t one = WriteYear(folder / "one.db", 1);
    const std::uintmax_t sixteen = WriteYear(folder / "sixteen.db", kDrives);
    if (one != 0 && sixteen != 0) {
        std::printf(
            "per drive and year at the hourly interval: %.0f KB (16 drives minus 1, over 15); "
            "16 drives: %.2f MB a year\n",
            static_cast<double>(sixteen - one) / 15 / 1000, static_cast<double>(sixteen) / 1e6);
    }
    fs::remove_all(folder);
    return one != 0 && sixteen != 0 ? 0 : 1;
}
