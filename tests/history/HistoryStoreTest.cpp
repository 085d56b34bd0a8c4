// The history store against real database files: what a run writes, the
// schema version, a firmware change, damaged, newer, locked and full
// databases, a process killed inside its transaction, and a read-only reader
// after the writer.

#include "history/HistoryStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "history/HistoryReader.h"
#include "history/HistorySchema.h"
#include "history/StoredForecast.h"
#include "tests/history/HistoryTestSupport.h"

namespace velmora::history {
namespace {

using namespace test_support;
using namespace std::chrono_literals;

// Runs body in a child process and returns its exit status (-1: it did not exit).
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HistoryStoreTest : public ::testing::Test {
protected:
    // Opens the store and checks that it is ready.
    void OpenReady(HistoryStore& store) {
        const OpenResult opened = store.Open(1000);
        ASSERT_EQ(opened.State, OpenState::Ready) << opened.Message;
    }
    std::int64_t Count(const std::string& sql) { return QueryInteger(path, sql); }

    TempFolder folder;
    std::string path = folder.File(kHistoryFileName);
};

TEST_F(HistoryStoreTest, NewDatabaseGetsTheSchemaVersionInWalMode) {
    {
        HistoryStore store(path);
        OpenReady(store);
    }
    EXPECT_EQ(Count("PRAGMA user_version"), kSchemaVersion);
    EXPECT_EQ(QueryText(path, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(Count("SELECT count(*) FROM sqlite_schema WHERE name IN ('drives', 'samples', 'events', 'runs')"), 4);
}

TEST_F(HistoryStoreTest, RunStoresDrivesSamplesEventsAndItsRowTogether) {
    HistoryStore store(path);
    OpenReady(store);
    RunRecord first = MakeRun(100, {Sample(101, "A")}, kReasonStart);
    first.Samples[0].Sample.Values.GBWritten = std::nullopt;
    first.Events.push_back({106, 1005, Drive("A"), "Drive found."});
    ASSERT_TRUE(store.WriteRun(first).Ok);
    ASSERT_TRUE(store.WriteRun(MakeRun(200, {Sample(201, "A"), Sample(202, "B")})).Ok);

    EXPECT_EQ(Count("SELECT first_seen * 1000 + last_seen FROM drives WHERE serial_number = 'A'"), 101 * 1000 + 201);
    EXPECT_EQ(Count("SELECT count(*) FROM samples"), 3);
    EXPECT_EQ(Count("SELECT count(*) FROM samples WHERE gb_written IS NULL AND time = 101"), 1);
    EXPECT_EQ(Count("SELECT drive_id FROM events"), Count("SELECT id FROM drives WHERE serial_number = 'A'"));
    EXPECT_EQ(QueryText(path,
                        "SELECT group_concat(reason || ':' || drives || ':' || finished, ',') FROM runs "
                        "WHERE error IS NULL"),
              "start:1:105,interval:2:205");
}

TEST_F(HistoryStoreTest, SecondSampleOfADriveInTheSameSecondReplacesTheFirst) {
    HistoryStore store(path);
    OpenReady(store);
    ASSERT_TRUE(store.WriteRun(MakeRun(100, {Sample(100, "A", "OK")})).Ok);
    ASSERT_TRUE(store.WriteRun(MakeRun(100, {Sample(100, "A", "BAD")}, kReasonRequest)).Ok);
    EXPECT_EQ(QueryText(path, "SELECT group_concat(status) FROM samples"), "BAD");
}

// The drives table is keyed by serial number and model, so new firmware
// updates the drive's row and its forecast keeps the samples from before.
TEST_F(HistoryStoreTest, FirmwareChangeKeepsTheDriveSoItsForecastUsesEverySample) {
    constexpr std::int64_t kDay = 86400;
    const auto withFirmware = [](std::int64_t day, std::int64_t meter, const char* firmware) {
        TimedSample timed = Sample(1796749200 + day * kDay, "A", "OK", meter);
        timed.Sample.Drive.Firmware = firmware;
        return timed;
    };
    HistoryStore store(path);
    OpenReady(store);
    for (const TimedSample& timed : {withFirmware(0, 100, "Q5RT2B1"), withFirmware(10, 98, "Q5RT2B1"),
                                     withFirmware(20, 97, "Q5RT2B2"), withFirmware(30, 96, "Q5RT2B2")}) {
        ASSERT_TRUE(store.WriteRun(MakeRun(timed.Time, {timed})).Ok);
    }
    store.Close();

    HistoryReader reader(path);
    const auto drives = reader.Drives();
    ASSERT_EQ(drives.Value.size(), 1u) << drives.Error;
    EXPECT_EQ(drives.Value[0].Firmware, "Q5RT2B2");
    const auto forecast = ForecastStoredDrive(reader, drives.Value[0].Id);
    ASSERT_TRUE(forecast.Ok()) << forecast.Error;
    // x -30,-20,-10,0 (mean -15), y 100,98,97,96 (mean 97.75): slope -65/500;
    // the new firmware's two samples alone would give -0.1.
    EXPECT_EQ(forecast.Value.Samples, 4);
    ASSERT_TRUE(forecast.Value.LifePerDay);
    EXPECT_NEAR(*forecast.Value.LifePerDay, -0.13, 1e-12);
    EXPECT_EQ(forecast.Value.DaysLeft, 738);  // 96 / 0.13 = 738.46
}

TEST_F(HistoryStoreTest, RunThatStoredNothingKeepsItsError) {
    HistoryStore store(path);
    OpenReady(store);
    RunRecord failed = MakeRun(100, {});
    failed.Error = "The drives could not be listed.";
    ASSERT_TRUE(store.WriteRun(failed).Ok);
    EXPECT_EQ(QueryText(path, "SELECT drives || ' ' || error FROM runs"), "0 The drives could not be listed.");
}

// What LoadKnownDrives reads back equals what AdvanceKnownDrives keeps in
// memory, so judging against either gives the same events.
TEST_F(HistoryStoreTest, LoadedDrivesEqualTheStateKeptInMemory) {
    auto text = [](const std::vector<KnownDrive>& drives) {
        std::string out;
        for (const KnownDrive& d : drives) {
            out += d.Drive.SerialNumber + " " + std::to_string(d.FirstSeen) + "-" + std::to_string(d.LastSeen) +
                   " last=" + (d.Last ? d.Last->Status + "/" + std::to_string(d.Last->LifeMeter.value_or(-1)) : "-") +
                   " meter=" + std::to_string(d.LastKnownMeter.value_or(-1)) + (d.SeenInLastRun ? " seen" : "") + ";";
        }
        return out;
    };
    TimedSample noHealthData = Sample(301, "A", "UNKNOWN", 0);
    TimedSample notRefreshed = Sample(302, "B", "UNKNOWN", std::nullopt);
    notRefreshed.Sample.Values.Refreshed = false;
    RunRecord notListed = MakeRun(400, {});
    notListed.Error = "The drives could not be listed.";
    const std::vector<RunRecord> runs = {
        MakeRun(100, {Sample(101, "A", "OK", 9), Sample(102, "B")}),
        MakeRun(200, {Sample(201, "A", "OK", 7)}),
        MakeRun(300, {noHealthData, notRefreshed}),
        notListed,
    };

    HistoryStore store(path);
    OpenReady(store);
    std::vector<KnownDrive> memory;
    for (const RunRecord& run : runs) {
        ASSERT_TRUE(store.WriteRun(run).Ok);
        if (!run.Error) memory = AdvanceKnownDrives(memory, run.Samples);
        std::vector<KnownDrive> loaded;
        ASSERT_TRUE(store.LoadKnownDrives(loaded).Ok);
        EXPECT_EQ(text(loaded), text(memory)) << "after the run at " << run.Started;
    }
    EXPECT_EQ(text(memory), "A 101-301 last=UNKNOWN/0 meter=7 seen;B 102-302 last=UNKNOWN/-1 meter=80 seen;");
}

TEST_F(HistoryStoreTest, DatabaseNewerThanTheProgramIsLeftUntouched) {
    {
        SqliteConnection newer(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        newer.Execute("CREATE TABLE future(x); PRAGMA user_version = " + std::to_string(kSchemaVersion + 1));
    }
    const std::string before = ReadBytes(path);
    HistoryStore store(path);
    const OpenResult opened = store.Open(1000);
    EXPECT_EQ(opened.State, OpenState::TooNew);
    EXPECT_EQ(opened.Message, "schema version " + std::to_string(kSchemaVersion + 1) + ", this program writes " +
                                  std::to_string(kSchemaVersion));
    EXPECT_FALSE(store.WriteRun(MakeRun(100, {Sample(100, "A")})).Ok);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + ".corrupt-1000"));
}

TEST_F(HistoryStoreTest, DamagedDatabaseIsSetAsideAndANewOneMade) {
    const struct {
        const char* Name;
        std::function<void(std::string&)> Damage;
    } cases[] = {
        {"cut to half its size", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }},
        {"header overwritten", [](std::string& bytes) { bytes.replace(0, 16, 16, 'x'); }},
        {"a table page overwritten", [](std::string& bytes) { bytes.replace(3 * 4096, 4096, 4096, '\xA5'); }},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directory(folder.Path());
        {
            HistoryStore store(path);
            OpenReady(store);
            for (int run = 0; run < 100; ++run) {
                ASSERT_TRUE(store.WriteRun(MakeRun(run * 3600, {Sample(run * 3600, "A"), Sample(run * 3600, "B")})).Ok);
            }
        }
        std::string bytes = ReadBytes(path);
        c.Damage(bytes);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

        HistoryStore store(path);
        const OpenResult opened = store.Open(1700000000);
        EXPECT_EQ(opened.State, OpenState::ReadyAfterSetAside) << c.Name;
        EXPECT_FALSE(opened.Message.empty()) << c.Name;
        EXPECT_EQ(opened.SetAsideName, path + ".corrupt-1700000000") << c.Name;
        EXPECT_EQ(ReadBytes(opened.SetAsideName), bytes) << c.Name;
        EXPECT_TRUE(store.WriteRun(MakeRun(5, {Sample(5, "A")})).Ok) << c.Name;
        EXPECT_EQ(Count("SELECT count(*) FROM samples"), 1) << c.Name;
    }
}

// The child dies in SQLite's commit hook, after every statement of its
// fourth run and before the commit.
volatile std::sig_atomic_t gDieOnCommit = 0;

int DieOnCommit(void*) {
    if (gDieOnCommit) _exit(0);
    return 0;
}

int HookEveryConnection(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_commit_hook(db, DieOnCommit, nullptr);
    return SQLITE_OK;
}

RunRecord FourDrives(std::int64_t started) {
    RunRecord run = MakeRun(started, {});
    for (const char* serial : {"A", "B", "C", "D"}) run.Samples.push_back(Sample(started, serial));
    run.Events.push_back({started, 1003, Drive("A"), "Drive OK again."});
    return run;
}

TEST_F(HistoryStoreTest, ProcessKilledInsideARunLosesThatRunAndKeepsEveryCommittedOne) {
    const int exitStatus = InChild([&] {
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookEveryConnection));
        HistoryStore store(path);
        if (store.Open(1000).State != OpenState::Ready) return 2;
        for (int run = 1; run <= 3; ++run) {
            if (!store.WriteRun(FourDrives(run * 100)).Ok) return 3;
        }
        gDieOnCommit = 1;
        (void)store.WriteRun(FourDrives(400));
        return 4;
    });
    ASSERT_EQ(exitStatus, 0);

    EXPECT_EQ(QueryText(path, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(QueryText(path, "SELECT group_concat(started) FROM runs"), "100,200,300");
    EXPECT_EQ(QueryText(path, "SELECT group_concat(n) FROM (SELECT count(*) AS n FROM samples GROUP BY time)"),
              "4,4,4");
    EXPECT_EQ(Count("SELECT count(*) FROM events"), 3);
    HistoryStore store(path);
    OpenReady(store);
    EXPECT_TRUE(store.WriteRun(FourDrives(400)).Ok);
}

// A file size limit stands for a full disk: writes beyond it fail.
TEST_F(HistoryStoreTest, FullDiskFailsTheRunWithTheDatabaseMessageAndKeepsEarlierRuns) {
    int messagePipe[2];
    ASSERT_EQ(pipe(messagePipe), 0);
    const int exitStatus = InChild([&] {
        HistoryStore store(path);
        if (store.Open(1000).State != OpenState::Ready || !store.WriteRun(FourDrives(100)).Ok) return 2;
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(std::filesystem::file_size(path) + 3000), RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        RunRecord big = MakeRun(200, {});
        for (int drive = 0; drive < 400; ++drive) big.Samples.push_back(Sample(200, std::to_string(drive)));
        const StoreResult full = store.WriteRun(big);
        if (full.Ok) return 3;
        (void)!write(messagePipe[1], full.Error.data(), full.Error.size());
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &unlimited);
        // The next run tries again, reopening when the failure closed the connection.
        if (store.Open(1000).State != OpenState::Ready) return 4;
        return store.WriteRun(FourDrives(300)).Ok ? 0 : 5;
    });
    close(messagePipe[1]);
    char message[200] = {};
    (void)!read(messagePipe[0], message, sizeof message - 1);
    close(messagePipe[0]);
    ASSERT_EQ(exitStatus, 0) << message;
    EXPECT_NE(std::string(message), "");
    EXPECT_EQ(QueryText(path, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(QueryText(path, "SELECT group_concat(started) FROM runs"), "100,300");
    EXPECT_EQ(Count("SELECT count(*) FROM samples"), 8);
}

TEST_F(HistoryStoreTest, LockedDatabaseFailsWithItsMessageUntilTheLockGoes) {
    HistoryStore store(path, 50ms);
    OpenReady(store);
    ASSERT_TRUE(store.WriteRun(FourDrives(100)).Ok);
    {
        SqliteConnection other(path, SQLITE_OPEN_READWRITE);
        other.Execute("BEGIN IMMEDIATE");
        const StoreResult locked = store.WriteRun(FourDrives(200));
        EXPECT_FALSE(locked.Ok);
        EXPECT_EQ(locked.Error, "database is locked");
        other.Execute("ROLLBACK");
    }
    EXPECT_TRUE(store.WriteRun(FourDrives(300)).Ok);
    EXPECT_EQ(QueryText(path, "SELECT group_concat(started) FROM runs"), "100,300");
}

TEST_F(HistoryStoreTest, MissingFolderFailsToOpenWithTheDatabaseMessage) {
    HistoryStore store(folder.File("missing/history.db"));
    const OpenResult opened = store.Open(1000);
    EXPECT_EQ(opened.State, OpenState::Failed);
    EXPECT_EQ(opened.Message, "unable to open database file");
    EXPECT_FALSE(store.WriteRun(FourDrives(100)).Ok);
}

// An ordinary user reads the history from a folder only the watch may
// write, also after the watch has closed it.
TEST_F(HistoryStoreTest, ReadOnlyReaderInAFolderItCannotWriteReadsAfterTheWriterClosed) {
    {
        HistoryStore store(path);
        OpenReady(store);
        ASSERT_TRUE(store.WriteRun(FourDrives(100)).Ok);
    }
    ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
    const int exitStatus = InChild([&] {
        // Root may write anywhere: read as nobody instead.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
        try {
            SqliteConnection reader(path, SQLITE_OPEN_READONLY);
            return reader.QueryInteger("SELECT count(*) FROM samples") == 4 ? 0 : 3;
        } catch (const SqliteError&) {
            return 4;
        }
    });
    chmod(folder.Path().c_str(), 0700);
    EXPECT_EQ(exitStatus, 0);
}

TEST_F(HistoryStoreTest, RetentionDeletesOnlyOlderSamples) {
    HistoryStore store(path);
    OpenReady(store);
    ASSERT_TRUE(store.WriteRun(MakeRun(100, {Sample(100, "A"), Sample(200, "A"), Sample(300, "A")})).Ok);
    ASSERT_TRUE(store.DeleteSamplesBefore(200).Ok);
    EXPECT_EQ(QueryText(path, "SELECT group_concat(time) FROM samples"), "200,300");
}

}  // namespace
}  // namespace velmora::history
