// The watch's footprint under Wine: the service's own work (the real
// sources, the data service's pipe, the history database and the metrics
// file), on a clock that the benchmark moves, so a hundred samples take
// seconds instead of hours. Prints the working set and private bytes after
// the first sample and after the last, the median time of one sample, and
// beside it, alternated with the samples, its floor: reading the same drives
// (enumeration and refreshes through the pipe) with the same sources and
// nothing else, so what the watch adds beyond its refreshes is the
// difference.
// The data service must be running with the drive set to sample.
// Usage: watch_footprint_bench FOLDER [SAMPLES]   (default 100)

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "common/DriveSetEnvironment.h"
#include "common/win/ComScope.h"
#include "common/win/ComWmiSource.h"
#include "common/win/DriveSetConfig.h"
#include "common/win/Win32DeviceIo.h"
#include "drives/win/Win32PipeSystem.h"
#include "history/Sqlite.h"
#include "tests/fakes/FakeWatchClock.h"
#include "watch/DriveSampler.h"
#include "watch/win/SamplingWork.h"

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    static_cast<void>(::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters));
    return counters;
}

double KiB(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

std::int64_t Runs(const std::string& database) {
    try {
        history::SqliteConnection reader(database, SQLITE_OPEN_READONLY);
        return reader.QueryInteger("SELECT count(*) FROM runs");
    } catch (const std::exception&) {
        return 0;  // not created yet
    }
}

bool WaitForRuns(const std::string& database, std::int64_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Runs(database) < count) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The floor: the drives read with the watch's own sources on this thread,
// nothing stored, judged or written. COM's security is the watch worker's,
// set before its first sample.
class ReadingFloor {
public:
    explicit ReadingFloor(watch::WatchClock& clock)
        : com_(COINIT_MULTITHREADED),
          drives_(win::ReadSimulatedDrivesSetting(), wmi_, devices_),
          sampler_(drives_.Wmi(), drives_.Devices(), pipes_, clock) {}

    // The time of one reading, in ms.
    double Time() {
        const std::atomic<bool> stop{false};
        const auto start = Clock::now();
        static_cast<void>(sampler_.Sample(stop));
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    win::ComScope com_;
    win::ComWmiSource wmi_;
    win::Win32DeviceIo devices_;
    DriveSetEnvironment drives_;
    win::Win32PipeSystem pipes_;
    watch::SourcesSampler sampler_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: watch_footprint_bench FOLDER [SAMPLES]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int samples = argc > 2 ? std::max(2, std::atoi(argv[2])) : 100;
    const std::string database = folder + "\\history.db";

    fakes::FakeWatchClock clock;
    clock.Now = 1700000000;
    watch::LoadedSettings settings;
    settings.Settings.MetricsFile = folder + "\\velmora.prom";
    win::SamplingWork work(settings, clock, database);
    std::thread worker([&] { work.Run(); });

    int status = 0;
    std::vector<double> times;
    std::vector<double> floorTimes;
    PROCESS_MEMORY_COUNTERS first{};
    if (!WaitForRuns(database, 1)) {
        std::fprintf(stderr, "the first sample did not come\n");
        status = 1;
    } else {
        first = Memory();
        ReadingFloor floor(clock);
        for (int i = 2; i <= samples; ++i) {
            floorTimes.push_back(floor.Time());
            clock.Now += 3600;  // an hour later each time, as the default interval has it
            const auto start = Clock::now();
            work.RequestSample();
            if (!WaitForRuns(database, i)) {
                std::fprintf(stderr, "sample %d did not come\n", i);
                status = 1;
                break;
            }
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    const PROCESS_MEMORY_COUNTERS last = Memory();
    work.Stop();
    worker.join();
    if (status != 0) return status;

    std::printf("samples: %d (16 drives each in the usual set)\n", samples);
    const double sample = Median(times);
    const double reading = Median(floorTimes);
    std::sort(times.begin(), times.end());
    std::printf("one sample, median: %.1f ms, p90: %.1f ms\n", sample, times[times.size() * 9 / 10]);
    std::printf("reading the drives alone (the floor), median: %.1f ms; the sample beyond it: %.1f ms\n", reading,
                sample - reading);
    std::printf("working set after the first: %.0f KiB, after the last: %.0f KiB, growth: %.0f KiB\n",
                KiB(first.WorkingSetSize), KiB(last.WorkingSetSize),
                KiB(last.WorkingSetSize) - KiB(first.WorkingSetSize));
    // The commit charge is the process's private bytes (Wine leaves
    // PrivateUsage at 0 but fills this one).
    std::printf("private bytes after the first: %.0f KiB, after the last: %.0f KiB, growth: %.0f KiB\n",
                KiB(first.PagefileUsage), KiB(last.PagefileUsage), KiB(last.PagefileUsage) - KiB(first.PagefileUsage));
    return 0;
}
