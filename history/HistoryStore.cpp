#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <filesystem>
#include <iterator>
#include <span>
#include <string_view>
#include <system_error>

#include "history/HistorySchema.h"
#include "history/Sqlite.h"

namespace velmora::history {

namespace {

// Step i turns a version-i database into version i + 1; version 0 is an
// empty file.
using SchemaStep = std::span<const std::string_view> (*)();
constexpr SchemaStep kSchemaSteps[] = {SchemaVersion1};
static_assert(std::size(kSchemaSteps) == kSchemaVersion, "one upgrade step per schema version");

// Codes that mean the file itself is bad, not that it is busy or out of reach.
bool IsDamaged(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

// Codes after which the connection may be unusable: the next Open reconnects
// and checks the file again.
bool NeedsReconnect(int code) { return IsDamaged(code) || code == SQLITE_IOERR || code == SQLITE_CANTOPEN; }

constexpr char kDriveUpsert[] =
    "INSERT INTO drives(serial_number, model, firmware, interface, capacity_gb, first_seen, last_seen) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?6) ON CONFLICT(serial_number, model) DO UPDATE SET "
    "firmware = excluded.firmware, interface = excluded.interface, capacity_gb = excluded.capacity_gb, "
    "last_seen = excluded.last_seen RETURNING id";
constexpr char kSampleInsert[] =
    "INSERT OR REPLACE INTO samples(drive_id, time, refreshed, power_on_hours, power_cycles, max_erase_count, "
    "avg_erase_count, gb_written, temperature, over_temperature, life_meter, status) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";
constexpr char kSampleColumns[] =
    "SELECT refreshed, power_on_hours, power_cycles, max_erase_count, avg_erase_count, gb_written, temperature, "
    "over_temperature, life_meter, status FROM samples WHERE drive_id = ?1 ORDER BY time DESC";

void BindSample(SqliteStatement& insert, std::int64_t driveId, const TimedSample& timed) {
    const SampleValues& v = timed.Sample.Values;
    insert.Bind(1, driveId).Bind(2, timed.Time).Bind(3, std::int64_t{v.Refreshed});
    insert.Bind(4, v.PowerOnHours).Bind(5, v.PowerCycles).Bind(6, v.MaxEraseCount).Bind(7, v.AvgEraseCount);
    insert.Bind(8, v.GBWritten).Bind(9, v.Temperature).Bind(10, std::int64_t{v.OverTemperature});
    insert.Bind(11, v.LifeMeter).Bind(12, std::string_view(v.Status));
}

SampleValues ReadSample(const SqliteStatement& row) {
    SampleValues v;
    v.Refreshed = row.Integer(0) != 0;
    v.PowerOnHours = row.OptionalInteger(1);
    v.PowerCycles = row.OptionalInteger(2);
    v.MaxEraseCount = row.OptionalInteger(3);
    v.AvgEraseCount = row.OptionalInteger(4);
    v.GBWritten = row.OptionalInteger(5);
    v.Temperature = row.OptionalInteger(6);
    v.OverTemperature = row.Integer(7) != 0;
    v.LifeMeter = row.OptionalInteger(8);
    v.Status = row.Text(9);
    return v;
}

std::int64_t UpsertDrive(SqliteStatement& upsert, const TimedSample& timed) {
    const DriveIdentity& d = timed.Sample.Drive;
    upsert.Bind(1, std::string_view(d.SerialNumber)).Bind(2, std::string_view(d.Model));
    upsert.Bind(3, std::string_view(d.Firmware)).Bind(4, std::string_view(d.Interface));
    upsert.Bind(5, d.CapacityGB).Bind(6, timed.Time);
    if (!upsert.Step()) throw SqliteError(SQLITE_ERROR, "the drive upsert returned no id");
    const std::int64_t id = upsert.Integer(0);
    upsert.Reset();
    return id;
}

std::optional<std::int64_t> DriveId(SqliteStatement& lookup, const std::optional<DriveIdentity>& drive) {
    if (!drive) return std::nullopt;
    lookup.Bind(1, std::string_view(drive->SerialNumber)).Bind(2, std::string_view(drive->Model));
    std::optional<std::int64_t> id;
    if (lookup.Step()) id = lookup.Integer(0);
    lookup.Reset();
    return id;
}

}  // namespace

HistoryStore::HistoryStore(std::string path, std::chrono::milliseconds busyTimeout)
    : path_(std::move(path)), busyTimeout_(busyTimeout) {}

HistoryStore::~HistoryStore() = default;

void HistoryStore::Close() noexcept { db_.reset(); }

OpenResult HistoryStore::Open(std::int64_t now) {
    if (db_) return {OpenState::Ready, {}, {}};
    try {
        const std::int64_t version = Connect();
        if (!db_) {
            return {
                OpenState::TooNew,
                "schema version " + std::to_string(version) + ", this program writes " + std::to_string(kSchemaVersion),
                {}};
        }
        return {OpenState::Ready, {}, {}};
    } catch (const SqliteError& error) {
        db_.reset();
        if (!IsDamaged(error.Code())) return {OpenState::Failed, error.what(), {}};
        OpenResult result{OpenState::ReadyAfterSetAside, error.what(), {}};
        try {
            result.SetAsideName = SetAside(now);
            (void)Connect();  // a new, empty file: its version is 0
            return result;
        } catch (const std::exception& again) {
            db_.reset();
            return {OpenState::Failed, std::string(error.what()) + "; " + again.what(), result.SetAsideName};
        }
    }
}

std::int64_t HistoryStore::Connect() {
    db_ = std::make_unique<SqliteConnection>(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3* handle = db_->Handle();
    db_->Check(sqlite3_busy_timeout(handle, static_cast<int>(busyTimeout_.count())));
    int persist = 1;
    db_->Check(sqlite3_file_control(handle, "main", SQLITE_FCNTL_PERSIST_WAL, &persist));

    // Read before anything is written: a newer database stays untouched.
    const std::int64_t version = db_->QueryInteger("PRAGMA user_version");
    if (version > kSchemaVersion) {
        db_.reset();
        return version;
    }
    if (db_->QueryText("PRAGMA journal_mode = WAL") != "wal") {
        throw SqliteError(SQLITE_ERROR, "the database cannot use write-ahead logging");
    }
    db_->Execute("PRAGMA synchronous = FULL");
    // Keeps the WAL file small, and empty once the watch closes it.
    db_->Execute("PRAGMA journal_size_limit = 1048576");
    const std::string check = db_->QueryText("PRAGMA integrity_check");
    if (check != "ok") throw SqliteError(SQLITE_CORRUPT, "integrity check: " + check);
    Upgrade(version);
    return version;
}

void HistoryStore::Upgrade(std::int64_t fromVersion) {
    if (fromVersion == kSchemaVersion) return;
    SqliteTransaction transaction(*db_, SqliteTransaction::Kind::Write);
    for (std::int64_t version = fromVersion; version < kSchemaVersion; ++version) {
        for (const std::string_view statement : kSchemaSteps[version]()) db_->Execute(statement);
    }
    db_->Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.Commit();
}

std::string HistoryStore::SetAside(std::int64_t now) {
    namespace fs = std::filesystem;
    const std::string target = path_ + ".corrupt-" + std::to_string(now);
    fs::rename(path_, target);  // throws with the system's message
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ignored;  // the database is aside; a leftover WAL file is dropped below
        fs::rename(path_ + suffix, target + suffix, ignored);
        fs::remove(path_ + suffix, ignored);
    }
    return target;
}

StoreResult HistoryStore::Failure(int code, const std::string& message) {
    if (NeedsReconnect(code)) Close();
    return {false, message};
}

StoreResult HistoryStore::WriteRun(const RunRecord& run) {
    if (!db_) return {false, "the database is not open"};
    try {
        SqliteTransaction transaction(*db_, SqliteTransaction::Kind::Write);
        SqliteStatement upsert(*db_, kDriveUpsert);
        SqliteStatement insert(*db_, kSampleInsert);
        for (const TimedSample& timed : run.Samples) {
            BindSample(insert, UpsertDrive(upsert, timed), timed);
            insert.Run();
        }
        SqliteStatement lookup(*db_, "SELECT id FROM drives WHERE serial_number = ?1 AND model = ?2");
        SqliteStatement event(*db_, "INSERT INTO events(time, event_id, drive_id, message) VALUES(?1, ?2, ?3, ?4)");
        for (const StoredEvent& e : run.Events) {
            event.Bind(1, e.Time).Bind(2, std::int64_t{e.EventId}).Bind(3, DriveId(lookup, e.Drive));
            event.Bind(4, std::string_view(e.Message)).Run();
        }
        SqliteStatement row(*db_,
                            "INSERT INTO runs(started, finished, reason, drives, error) VALUES(?1, ?2, ?3, ?4, ?5)");
        row.Bind(1, run.Started).Bind(2, run.Finished).Bind(3, std::string_view(run.Reason));
        row.Bind(4, static_cast<std::int64_t>(run.Samples.size())).Bind(5, run.Error).Run();
        transaction.Commit();
        return {};
    } catch (const SqliteError& error) {
        return Failure(error.Code(), error.what());
    }
}

StoreResult HistoryStore::LoadKnownDrives(std::vector<KnownDrive>& drives) {
    drives.clear();
    if (!db_) return {false, "the database is not open"};
    try {
        SqliteTransaction transaction(*db_, SqliteTransaction::Kind::Read);
        SqliteStatement lastRun(*db_,
                                "SELECT started, finished FROM runs WHERE error IS NULL ORDER BY id DESC LIMIT 1");
        std::optional<std::pair<std::int64_t, std::int64_t>> listed;
        if (lastRun.Step()) listed.emplace(lastRun.Integer(0), lastRun.Integer(1));

        SqliteStatement samples(*db_, kSampleColumns);
        SqliteStatement rows(*db_,
                             "SELECT id, serial_number, model, firmware, interface, capacity_gb, first_seen, last_seen "
                             "FROM drives ORDER BY id");
        while (rows.Step()) {
            KnownDrive& known = drives.emplace_back();
            known.Drive = {rows.Text(1), rows.Text(2), rows.Text(3), rows.Text(4), rows.Integer(5)};
            known.FirstSeen = rows.Integer(6);
            known.LastSeen = rows.Integer(7);
            known.SeenInLastRun = listed && known.LastSeen >= listed->first && known.LastSeen <= listed->second;
            samples.Bind(1, rows.Integer(0));
            // Newest first, until a sample with a meter from health data.
            while (!known.LastKnownMeter && samples.Step()) {
                const SampleValues values = ReadSample(samples);
                if (!known.Last) known.Last = values;
                known.LastKnownMeter = KnownLifeMeter(values);
            }
            samples.Reset();
        }
        transaction.Commit();
        return {};
    } catch (const SqliteError& error) {
        drives.clear();
        return Failure(error.Code(), error.what());
    }
}

StoreResult HistoryStore::DeleteSamplesBefore(std::int64_t time) {
    if (!db_) return {false, "the database is not open"};
    try {
        SqliteStatement(*db_, "DELETE FROM samples WHERE time < ?1").Bind(1, time).Run();
        return {};
    } catch (const SqliteError& error) {
        return Failure(error.Code(), error.what());
    }
}

}  // namespace velmora::history
