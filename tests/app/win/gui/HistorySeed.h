#pragma once
// The health watch's history in this Wine prefix, written as the watch
// writes it (its own store, its schema, persistent WAL files) for the
// toolbox's "Health history" window to read, and removed again.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "common/win/ProgramDataPaths.h"
#include "history/HistoryStore.h"
#include "history/RunRecord.h"

namespace velmora::testing {

// The example drive set's first drive, as the watch stores it.
inline history::DriveIdentity ExampleFirstDrive() {
    return {"VM0A1B2C3D", "VELMORA R730 SSD", "Q5RT2B1", "SATA", 256};
}

// One sampling run of the example's first drive at time; without a life
// meter the drive's read failed.
inline history::RunRecord ExampleRun(std::int64_t time, std::optional<std::int64_t> lifeMeter,
                                     std::optional<std::int64_t> temperature = std::nullopt) {
    history::TimedSample sample{time, {ExampleFirstDrive(), {}}};
    history::SampleValues& values = sample.Sample.Values;
    values.Refreshed = lifeMeter.has_value();
    values.LifeMeter = lifeMeter;
    values.Temperature = temperature;
    values.Status = lifeMeter ? "OK" : "UNKNOWN";
    history::RunRecord run;
    run.Started = time;
    run.Finished = time + 2;
    run.Reason = history::kReasonInterval;
    run.Samples.push_back(std::move(sample));
    return run;
}

inline void RemoveHistory() {
    const std::string path = win::HistoryDatabasePath();
    for (const char* suffix : {"", "-wal", "-shm"}) ::DeleteFileA((path + suffix).c_str());
}

// A new history of these runs; false when it could not be written.
inline bool WriteHistory(const std::vector<history::RunRecord>& runs) {
    RemoveHistory();
    ::CreateDirectoryA(win::ProductDataFolder().c_str(), nullptr);
    ::CreateDirectoryA(win::HistoryFolder().c_str(), nullptr);
    history::HistoryStore store(AnsiToUtf8(win::HistoryDatabasePath()));
    if (store.Open(runs.empty() ? 0 : runs.back().Finished).State != history::OpenState::Ready) return false;
    for (const history::RunRecord& run : runs) {
        if (!store.WriteRun(run).Ok) return false;
    }
    store.Close();
    return true;
}

}  // namespace velmora::testing
