#pragma once
// The watch's side of the history database: opens or creates it, keeps its
// schema current, writes each run in one transaction and deletes old
// samples. Nothing here throws; every failure comes back with SQLite's own
// message, and the store stays usable for the next attempt.
//
// The connection runs in WAL mode with synchronous FULL and a 5 s busy
// timeout. Its WAL files persist after it closes, so an ordinary user's
// read-only reader, who cannot create them in the folder, still reads the
// database when the watch has stopped.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "history/KnownDrives.h"
#include "history/RunRecord.h"

namespace velmora::history {

class SqliteConnection;

inline constexpr std::chrono::milliseconds kBusyTimeout{5000};

enum class OpenState {
    Ready,
    // The database could not be read or failed its integrity check: it was
    // renamed to SetAsideName (with its -wal and -shm) and a new one made.
    ReadyAfterSetAside,
    // Its schema version is newer than this program's: left as it is, and
    // nothing is written.
    TooNew,
    // Could not be opened (folder missing, locked, disk full, no rights);
    // nothing was changed.
    Failed,
};

struct OpenResult {
    OpenState State = OpenState::Failed;
    std::string Message;       // SQLite's message, or what was found, when not Ready
    std::string SetAsideName;  // the damaged file's new path after ReadyAfterSetAside
};

struct [[nodiscard]] StoreResult {
    bool Ok = true;
    std::string Error;  // SQLite's message when !Ok
};

class HistoryStore {
public:
    explicit HistoryStore(std::string path, std::chrono::milliseconds busyTimeout = kBusyTimeout);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens the database unless it is open; now (Unix seconds) names a
    // damaged file set aside.
    [[nodiscard]] OpenResult Open(std::int64_t now);
    [[nodiscard]] bool IsOpen() const noexcept { return db_ != nullptr; }
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    void Close() noexcept;

    // The drives upserted (first_seen, last_seen), the samples (a drive's
    // second sample in the same second replaces the first), the events and
    // the runs row, all or nothing. A failure that may have left the
    // connection unusable closes it; Open tries again.
    StoreResult WriteRun(const RunRecord& run);

    // Every drive the history knows, in the order first seen.
    StoreResult LoadKnownDrives(std::vector<KnownDrive>& drives);

    StoreResult DeleteSamplesBefore(std::int64_t time);

private:
    // Opens, configures, checks and upgrades the file; returns the schema
    // version found, leaving the store closed when it is newer than ours.
    std::int64_t Connect();
    void Upgrade(std::int64_t fromVersion);
    [[nodiscard]] std::string SetAside(std::int64_t now);
    StoreResult Failure(int code, const std::string& message);

    std::string path_;
    std::chrono::milliseconds busyTimeout_;
    std::unique_ptr<SqliteConnection> db_;
};

}  // namespace velmora::history
