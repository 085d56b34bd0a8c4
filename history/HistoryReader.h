#pragma once
// Read-only access to the history database for any user, while the watch
// may be writing it. The reader never writes, creates or repairs anything:
// it opens the file read-only, so it also works in a folder it may not
// write, as long as the watch keeps its WAL files (the watch's store sets
// SQLITE_FCNTL_PERSIST_WAL). Rows come as the table holds them: a NULL
// column is an empty optional.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::history {

enum class OpenOutcome {
    Opened,
    NoHistory,  // no database file yet, or one the watch has not given its tables yet
    Failed,     // unreadable or not a database: see Error()
};

struct DriveRow {
    std::int64_t Id = 0;
    std::optional<std::string> SerialNumber;
    std::optional<std::string> Model;
    std::optional<std::string> Firmware;
    std::optional<std::string> Interface;
    std::optional<std::int64_t> CapacityGB;
};

// One row of samples. Status points into the database's row buffer: valid
// only during the visit that receives it.
struct SampleRow {
    std::int64_t Time = 0;
    std::optional<bool> Refreshed;
    std::optional<std::int64_t> PowerOnHours;
    std::optional<std::int64_t> PowerCycles;
    std::optional<std::int64_t> MaxEraseCount;
    std::optional<std::int64_t> AvgEraseCount;
    std::optional<std::int64_t> GBWritten;
    std::optional<std::int64_t> Temperature;
    std::optional<bool> OverTemperature;
    std::optional<std::int64_t> LifeMeter;
    std::optional<std::string_view> Status;
};

struct EventRow {
    std::int64_t Time = 0;
    std::optional<std::int64_t> EventId;
    std::optional<std::int64_t> DriveId;      // empty: not about one drive
    std::optional<std::string> SerialNumber;  // that drive's
    std::optional<std::string> Message;
};

struct RunRow {
    std::int64_t Started = 0;
    std::int64_t Finished = 0;
    std::optional<std::int64_t> Drives;
    std::optional<std::string> Error;  // empty when the run stored its samples
};

// A query's rows, or the database's message when it failed.
template <typename T>
struct ReadResult {
    T Value{};
    std::string Error;  // empty on success
    [[nodiscard]] bool Ok() const { return Error.empty(); }
};

class HistoryReader {
public:
    // path: UTF-8, as SQLite takes file names on every system.
    explicit HistoryReader(const std::string& path);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    [[nodiscard]] OpenOutcome Outcome() const { return outcome_; }
    // Why the open failed; empty otherwise.
    [[nodiscard]] const std::string& Error() const { return error_; }

    // Every drive in the order first seen, or only those with this serial
    // number (one per model that had it).
    [[nodiscard]] ReadResult<std::vector<DriveRow>> Drives(std::optional<std::string_view> serialNumber = {});

    // How many samples there are at or after `since`, of every drive or of
    // the drives with this serial number: for sizing the output beforehand.
    [[nodiscard]] ReadResult<std::int64_t> SampleCount(std::int64_t since,
                                                       std::optional<std::string_view> serialNumber = {});

    // The drive's samples at or after `since`, oldest first, handed to
    // visit one by one; the result is their number.
    [[nodiscard]] ReadResult<std::size_t> VisitSamples(std::int64_t driveId, std::int64_t since,
                                                       const std::function<void(const SampleRow&)>& visit);

    // The time of the drive's newest refreshed sample with a life meter.
    [[nodiscard]] ReadResult<std::optional<std::int64_t>> NewestWearTime(std::int64_t driveId);

    // Events at or after `since`, oldest first; with a serial number only
    // the events about a drive of that serial number.
    [[nodiscard]] ReadResult<std::vector<EventRow>> Events(std::int64_t since,
                                                              std::optional<std::string_view> serialNumber = {});

    // The latest finished run with reason "request" that started after
    // `startedAfter`, if there is one.
    [[nodiscard]] ReadResult<std::optional<RunRow>> LatestRequestRun(std::int64_t startedAfter);

private:
    struct StatementDeleter {
        void operator()(sqlite3_stmt* statement) const noexcept;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;
    struct DatabaseDeleter {
        void operator()(sqlite3* database) const noexcept;
    };

    // The cached statement for sql, prepared on first use and reset for this one.
    [[nodiscard]] sqlite3_stmt* Prepare(Statement& slot, const char* sql, std::string& error);
    [[nodiscard]] std::string DatabaseError() const;

    std::unique_ptr<sqlite3, DatabaseDeleter> database_;
    OpenOutcome outcome_ = OpenOutcome::Failed;
    std::string error_;
    Statement allDrives_, drivesBySerial_, samples_, allCount_, countBySerial_, allEvents_, eventsBySerial_, latestRun_,
        newestWear_;
};

}  // namespace velmora::history
