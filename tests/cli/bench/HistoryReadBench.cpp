// Times the console's readers of the history on the largest history the
// watch keeps by default: 16 drives sampled hourly for three years (420,480
// samples), from opening the database to the output written to /dev/null:
// "history --json", its text form, its last 30 days, and "forecast --json".
// Prints the median of several runs. The drives' serial numbers are those of
// scripts/make-drive-set.py, so "metrics" finds their forecasts.
// Build without sanitizers for meaningful figures. With a path argument the
// filled database is also copied there (scripts/bench-watch.sh times the
// Windows program on it under Wine).

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <chrono>
#include <ctime>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ForecastCommand.h"
#include "cli/HistoryCommand.h"
#include "tests/history/HistoryFixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using velmora::history::testing::FixtureDatabase;
using velmora::history::testing::Journal;

constexpr int kDrives = 16;
constexpr std::int64_t kHours = 3 * 365 * 24;
constexpr std::int64_t kStart = 1796749200 - kHours * 3600;
constexpr int kRuns = 7;

void Fill(const std::string& path) {
    FixtureDatabase db(path, Journal::PersistentWal);
    db.Exec("BEGIN");
    for (int d = 1; d <= kDrives; ++d) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "VM%08d", d - 1);
        db.Exec("INSERT INTO drives VALUES(" + std::to_string(d) + ",'" + serial +
                "','VELMORA R730 SSD','Q5RT2B1','SATA',256,0,0)");
    }
    // Values that vary like real ones, so the numbers have their usual widths.
    db.Exec("WITH RECURSIVE h(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM h WHERE n < " + std::to_string(kHours - 1) +
            ") INSERT INTO samples SELECT d.id, " + std::to_string(kStart) +
            " + n * 3600, 1, 1000 + n, 200 + n / 24, 40 + n / 500, 30 + n / 600, 5000 + n * 3, 35 + n % 10, 0, "
            "100 - n / 300, 'OK' FROM h, drives d");
    db.Exec("INSERT INTO events(time, event_id, drive_id, message) SELECT " + std::to_string(kStart) +
            ", 1005, id, 'Drive found' FROM drives");
    db.Exec("COMMIT");
}

// Wall-clock time, and this process's processor time, which a busy
// machine inflates less.
struct Timing {
    double MedianMs;
    double MedianCpuMs;
    std::size_t Bytes;
};

double CpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

using Command = std::function<velmora::cli::ConsoleOutput()>;

Timing Time(const Command& command) {
    std::vector<double> ms, cpuMs;
    std::size_t bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        const double cpuStart = CpuMs();
        const velmora::cli::ConsoleOutput output = command();
        std::FILE* sink = std::fopen("/dev/null", "wb");
        std::fwrite(output.Out.data(), 1, output.Out.size(), sink);
        std::fclose(sink);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpuMs.push_back(CpuMs() - cpuStart);
        bytes = output.Out.size();
        if (output.ExitStatus != 0) std::fprintf(stderr, "exit %d: %s", output.ExitStatus, output.Err.c_str());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    return {ms[ms.size() / 2], cpuMs[cpuMs.size() / 2], bytes};
}

}  // namespace

int main(int argc, char** argv) {
    velmora::history::testing::TemporaryFolder folder;
    const std::string path = folder.File("history.db");
    const auto filling = Clock::now();
    Fill(path);
    std::printf("%d drives, %lld samples each (%lld rows), filled in %.0f ms\n", kDrives,
                static_cast<long long>(kHours), static_cast<long long>(kHours * kDrives),
                std::chrono::duration<double, std::milli>(Clock::now() - filling).count());
    if (argc > 1) std::filesystem::copy_file(path, argv[1], std::filesystem::copy_options::overwrite_existing);

    auto history = [&path](velmora::cli::HistoryQuery query) {
        return [&path, query] { return velmora::cli::RunHistory(path, query); };
    };
    const struct {
        const char* Name;
        Command Run;
    } cases[] = {
        {"history --json", history({true, std::nullopt})},
        {"history (text)", history({false, std::nullopt})},
        {"history --json, last 30 days", history({true, std::nullopt, 1796749200 - 30 * 86400})},
        {"forecast --json", [&path] { return velmora::cli::RunForecast(path, true); }},
    };
    for (const auto& c : cases) {
        const Timing timing = Time(c.Run);
        std::printf("%-30s median of %d: %7.1f ms (processor %7.1f ms), %6.1f MB\n", c.Name, kRuns, timing.MedianMs,
                    timing.MedianCpuMs, static_cast<double>(timing.Bytes) / 1e6);
    }
}
