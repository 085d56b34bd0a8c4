#include "history/HistoryReader.h"

#include <sqlite3.h>

namespace velmora::history {

namespace {

// The watch holds its write lock for one run's rows; a reader that meets
// it (or a checkpoint) waits this long before giving up.
constexpr int kBusyTimeoutMs = 5000;

constexpr char kAllDrivesSql[] =
    "SELECT id, serial_number, model, firmware, interface, capacity_gb FROM drives ORDER BY id";
constexpr char kDrivesBySerialSql[] =
    "SELECT id, serial_number, model, firmware, interface, capacity_gb FROM drives WHERE serial_number = ?1 "
    "ORDER BY id";
// The primary key (drive_id, time) gives the order without a sort.
constexpr char kSamplesSql[] =
    "SELECT time, refreshed, power_on_hours, power_cycles, max_erase_count, avg_erase_count, gb_written, "
    "temperature, over_temperature, life_meter, status FROM samples WHERE drive_id = ?1 AND time >= ?2 "
    "ORDER BY time";
// Read backwards along the primary key, so it stops at the first match.
constexpr char kNewestWearSql[] =
    "SELECT time FROM samples WHERE drive_id = ?1 AND refreshed = 1 AND life_meter IS NOT NULL "
    "ORDER BY time DESC LIMIT 1";
constexpr char kAllCountSql[] = "SELECT count(*) FROM samples WHERE time >= ?1";
constexpr char kCountBySerialSql[] =
    "SELECT count(*) FROM samples WHERE time >= ?1 AND drive_id IN (SELECT id FROM drives WHERE serial_number = ?2)";
constexpr char kAllEventsSql[] =
    "SELECT e.time, e.event_id, e.drive_id, d.serial_number, e.message FROM events e "
    "LEFT JOIN drives d ON d.id = e.drive_id WHERE e.time >= ?1 ORDER BY e.time, e.id";
constexpr char kEventsBySerialSql[] =
    "SELECT e.time, e.event_id, e.drive_id, d.serial_number, e.message FROM events e "
    "JOIN drives d ON d.id = e.drive_id WHERE e.time >= ?1 AND d.serial_number = ?2 ORDER BY e.time, e.id";
constexpr char kLatestRunSql[] =
    "SELECT started, finished, drives, error FROM runs WHERE reason = 'request' AND started > ?1 "
    "AND finished IS NOT NULL ORDER BY started DESC, id DESC LIMIT 1";

std::optional<std::int64_t> Integer(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int64(statement, column);
}

std::optional<bool> Flag(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int64(statement, column) != 0;
}

std::optional<std::string_view> TextView(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

std::optional<std::string> Text(sqlite3_stmt* statement, int column) {
    const auto view = TextView(statement, column);
    return view ? std::optional<std::string>(*view) : std::nullopt;
}

// Binds an optional serial number as ?index when given.
[[nodiscard]] int BindSerial(sqlite3_stmt* statement, int index, std::optional<std::string_view> serialNumber) {
    if (!serialNumber) return SQLITE_OK;
    return sqlite3_bind_text(statement, index, serialNumber->data(), static_cast<int>(serialNumber->size()),
                             SQLITE_TRANSIENT);
}

// Steps through every row of a prepared statement, handing each to row;
// returns the last result code (SQLITE_DONE when all went well).
template <typename Row>
[[nodiscard]] int StepAll(sqlite3_stmt* statement, Row&& row) {
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) row();
    return code;
}

[[nodiscard]] bool ReadUserVersion(sqlite3* database, int& version) {
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(database, "PRAGMA user_version", -1, &statement, nullptr);
    if (code == SQLITE_OK) code = sqlite3_step(statement);
    if (code == SQLITE_ROW) version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return code == SQLITE_ROW;
}

}  // namespace

void HistoryReader::StatementDeleter::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

void HistoryReader::DatabaseDeleter::operator()(sqlite3* database) const noexcept { sqlite3_close_v2(database); }

HistoryReader::HistoryReader(const std::string& path) {
    sqlite3* database = nullptr;
    // One thread uses a reader: no locking on every column read.
    const int opened = sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    database_.reset(database);  // a failed open still gives a handle to close
    if (opened != SQLITE_OK) {
        sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
        int exists = 1;
        if (opened == SQLITE_CANTOPEN && vfs &&
            vfs->xAccess(vfs, path.c_str(), SQLITE_ACCESS_EXISTS, &exists) == SQLITE_OK && !exists) {
            outcome_ = OpenOutcome::NoHistory;
        } else {
            error_ = DatabaseError();
        }
        database_.reset();
        return;
    }
    sqlite3_busy_timeout(database, kBusyTimeoutMs);
    // Also the first read: a file that is not a database fails here.
    int version = 0;
    if (!ReadUserVersion(database, version)) {
        error_ = DatabaseError();
        database_.reset();
        return;
    }
    // The watch creates the tables and sets the version in one transaction.
    outcome_ = version == 0 ? OpenOutcome::NoHistory : OpenOutcome::Opened;
}

HistoryReader::~HistoryReader() = default;

std::string HistoryReader::DatabaseError() const {
    const char* message = database_ ? sqlite3_errmsg(database_.get()) : nullptr;
    return message && *message ? message : "the history database cannot be read";
}

sqlite3_stmt* HistoryReader::Prepare(Statement& slot, const char* sql, std::string& error) {
    if (outcome_ != OpenOutcome::Opened) {
        error = error_.empty() ? "the history database is not open" : error_;
        return nullptr;
    }
    if (!slot) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(database_.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            error = DatabaseError();
            return nullptr;
        }
        slot.reset(statement);
    }
    sqlite3_reset(slot.get());
    sqlite3_clear_bindings(slot.get());
    return slot.get();
}

ReadResult<std::vector<DriveRow>> HistoryReader::Drives(std::optional<std::string_view> serialNumber) {
    ReadResult<std::vector<DriveRow>> result;
    sqlite3_stmt* statement = serialNumber ? Prepare(drivesBySerial_, kDrivesBySerialSql, result.Error)
                                           : Prepare(allDrives_, kAllDrivesSql, result.Error);
    if (!statement) return result;
    int code = BindSerial(statement, 1, serialNumber);
    if (code == SQLITE_OK) {
        code = StepAll(statement, [&] {
            result.Value.push_back({sqlite3_column_int64(statement, 0), Text(statement, 1), Text(statement, 2),
                                    Text(statement, 3), Text(statement, 4), Integer(statement, 5)});
        });
    }
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

ReadResult<std::int64_t> HistoryReader::SampleCount(std::int64_t since, std::optional<std::string_view> serialNumber) {
    ReadResult<std::int64_t> result;
    sqlite3_stmt* statement = serialNumber ? Prepare(countBySerial_, kCountBySerialSql, result.Error)
                                           : Prepare(allCount_, kAllCountSql, result.Error);
    if (!statement) return result;
    int code = sqlite3_bind_int64(statement, 1, since);
    if (code == SQLITE_OK) code = BindSerial(statement, 2, serialNumber);
    if (code == SQLITE_OK) code = StepAll(statement, [&] { result.Value = sqlite3_column_int64(statement, 0); });
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

ReadResult<std::size_t> HistoryReader::VisitSamples(std::int64_t driveId, std::int64_t since,
                                                    const std::function<void(const SampleRow&)>& visit) {
    ReadResult<std::size_t> result;
    sqlite3_stmt* statement = Prepare(samples_, kSamplesSql, result.Error);
    if (!statement) return result;
    int code = sqlite3_bind_int64(statement, 1, driveId);
    if (code == SQLITE_OK) code = sqlite3_bind_int64(statement, 2, since);
    if (code == SQLITE_OK) {
        SampleRow sample;
        code = StepAll(statement, [&] {
            sample.Time = sqlite3_column_int64(statement, 0);
            sample.Refreshed = Flag(statement, 1);
            sample.PowerOnHours = Integer(statement, 2);
            sample.PowerCycles = Integer(statement, 3);
            sample.MaxEraseCount = Integer(statement, 4);
            sample.AvgEraseCount = Integer(statement, 5);
            sample.GBWritten = Integer(statement, 6);
            sample.Temperature = Integer(statement, 7);
            sample.OverTemperature = Flag(statement, 8);
            sample.LifeMeter = Integer(statement, 9);
            sample.Status = TextView(statement, 10);
            visit(sample);
            ++result.Value;
        });
    }
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

ReadResult<std::vector<EventRow>> HistoryReader::Events(std::int64_t since,
                                                           std::optional<std::string_view> serialNumber) {
    ReadResult<std::vector<EventRow>> result;
    sqlite3_stmt* statement = serialNumber ? Prepare(eventsBySerial_, kEventsBySerialSql, result.Error)
                                           : Prepare(allEvents_, kAllEventsSql, result.Error);
    if (!statement) return result;
    int code = sqlite3_bind_int64(statement, 1, since);
    if (code == SQLITE_OK) code = BindSerial(statement, 2, serialNumber);
    if (code == SQLITE_OK) {
        code = StepAll(statement, [&] {
            result.Value.push_back({sqlite3_column_int64(statement, 0), Integer(statement, 1), Integer(statement, 2),
                                    Text(statement, 3), Text(statement, 4)});
        });
    }
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

ReadResult<std::optional<std::int64_t>> HistoryReader::NewestWearTime(std::int64_t driveId) {
    ReadResult<std::optional<std::int64_t>> result;
    sqlite3_stmt* statement = Prepare(newestWear_, kNewestWearSql, result.Error);
    if (!statement) return result;
    int code = sqlite3_bind_int64(statement, 1, driveId);
    if (code == SQLITE_OK) code = StepAll(statement, [&] { result.Value = sqlite3_column_int64(statement, 0); });
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

ReadResult<std::optional<RunRow>> HistoryReader::LatestRequestRun(std::int64_t startedAfter) {
    ReadResult<std::optional<RunRow>> result;
    sqlite3_stmt* statement = Prepare(latestRun_, kLatestRunSql, result.Error);
    if (!statement) return result;
    int code = sqlite3_bind_int64(statement, 1, startedAfter);
    if (code == SQLITE_OK) {
        code = StepAll(statement, [&] {
            result.Value = RunRow{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                                     Integer(statement, 2), Text(statement, 3)};
        });
    }
    if (code != SQLITE_DONE) result.Error = DatabaseError();
    sqlite3_reset(statement);
    return result;
}

}  // namespace velmora::history
