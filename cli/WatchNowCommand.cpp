#include "cli/WatchNowCommand.h"

#include <chrono>
#include <thread>

#include "cli/CommandLine.h"
#include "common/AnsiText.h"
#include "history/HistoryReader.h"
#include "history/HistoryTime.h"

namespace velmora::cli {

namespace {

constexpr std::uint32_t kServiceDoesNotExist = 1060;
constexpr std::uint32_t kServiceNotActive = 1062;
constexpr std::uint32_t kAccessDenied = 5;

std::string SendFailureText(std::uint32_t error) {
    const std::string service = kWatchServiceName;
    switch (error) {
    case kServiceDoesNotExist: return "The health watch service " + service + " is not installed.";
    case kServiceNotActive:
        return "The health watch service " + service + " is not running; start it with \"net start " + service + "\".";
    case kAccessDenied:
        return "Access denied: this account may not ask the health watch service " + service + " for a sample.";
    default:
        return "The health watch service " + service + " cannot be asked for a sample (system error " +
               std::to_string(error) + ").";
    }
}

ConsoleOutput Failure(std::string text) {
    ConsoleOutput output;
    output.Err = std::move(text) + "\n";
    output.ExitStatus = exit_status::Failure;
    return output;
}

ConsoleOutput Stored(const history::RunRow& run) {
    if (run.Error) return Failure("The health watch could not store a sample: " + Utf8ToAnsi(*run.Error));
    const std::int64_t drives = run.Drives.value_or(0);
    ConsoleOutput output;
    output.Out = "The health watch stored a sample at " + history::UtcTimeText(run.Finished) + " for " +
                 std::to_string(drives) + (drives == 1 ? " drive.\n" : " drives.\n");
    return output;
}

}  // namespace

std::int64_t SystemWatchNowClock::UnixSeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::uint64_t SystemWatchNowClock::SteadyMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemWatchNowClock::Sleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

ConsoleOutput RunWatchNow(WatchControl& control, WatchNowClock& clock, const std::string& databasePath) {
    // Noted before sending, so a run the watch starts at once still counts.
    const std::int64_t asked = clock.UnixSeconds();
    if (const std::uint32_t error = control.SendSampleNow(); error != 0) return Failure(SendFailureText(error));

    const std::uint64_t deadline = clock.SteadyMs() + kWatchNowTimeoutMs;
    for (;;) {
        // Opened afresh each time: the first sample creates the file, and
        // the watch may set a damaged file aside and start a new one.
        history::HistoryReader reader(databasePath);
        if (reader.Outcome() == history::OpenOutcome::Failed)
            return Failure("Cannot read the history " + Utf8ToAnsi(databasePath) + ": " + reader.Error());
        if (reader.Outcome() == history::OpenOutcome::Opened) {
            const auto run = reader.LatestRequestRun(asked - kSharedRequestSeconds);
            if (!run.Ok()) return Failure("Cannot read the history " + Utf8ToAnsi(databasePath) + ": " + run.Error);
            if (run.Value) return Stored(*run.Value);
        }
        if (clock.SteadyMs() >= deadline) break;
        clock.Sleep(kWatchNowPollMs);
    }
    return Failure("The health watch did not store a sample within " + std::to_string(kWatchNowTimeoutMs / 1000) +
                   " seconds; its events in the Application log may say why.");
}

}  // namespace velmora::cli
