#include "history/HistoryReader.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/history/HistoryFixture.h"

namespace velmora::history {
namespace {

using testing::FixtureDatabase;
using testing::Journal;
using testing::TemporaryFolder;

class HistoryReaderTest : public ::testing::Test {
protected:
    // Two drives; the second has a sample with every value NULL.
    void FillTwoDrives() {
        FixtureDatabase db(path);
        db.Exec(
            "INSERT INTO drives VALUES(1,'S1','VELMORA A','F1','SATA',256,100,300),"
            "(2,'S2','VELMORA B',NULL,'NVMe',NULL,150,300),(3,'S1','VELMORA C','F3','SATA',512,200,300)");
        // Stored out of order: the reader gives them by time.
        db.Exec(
            "INSERT INTO samples VALUES(1,300,1,12,3,40,20,500,41,0,90,'OK'),(1,100,0,10,1,38,18,400,39,1,92,'OK'),"
            "(1,200,1,11,2,39,19,450,40,0,91,'BAD'),"
            "(2,200,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)");
        db.Exec(
            "INSERT INTO events VALUES(1,150,1001,1,'S1 is BAD'),(2,90,1000,NULL,'started'),"
            "(3,200,1005,2,'S2 found'),(4,250,1003,3,'S1 of C is OK')");
    }

    TemporaryFolder folder;
    std::string path = folder.File("history.db");
};

TEST_F(HistoryReaderTest, MissingFileOrFolderIsNoHistoryAndIsNotCreated) {
    for (const std::string& missing : {path, folder.File("absent/history.db")}) {
        HistoryReader reader(missing);
        EXPECT_EQ(reader.Outcome(), OpenOutcome::NoHistory) << missing;
        EXPECT_TRUE(reader.Error().empty());
        EXPECT_FALSE(std::filesystem::exists(missing));
    }
}

TEST_F(HistoryReaderTest, FileWithoutTheWatchsTablesIsNoHistory) {
    std::ofstream(path).close();
    EXPECT_EQ(HistoryReader(path).Outcome(), OpenOutcome::NoHistory);
}

TEST_F(HistoryReaderTest, FileThatIsNotADatabaseFailsWithTheDatabasesMessage) {
    std::ofstream(path) << std::string(4096, 'x');
    HistoryReader reader(path);
    EXPECT_EQ(reader.Outcome(), OpenOutcome::Failed);
    EXPECT_EQ(reader.Error(), "file is not a database");
}

TEST_F(HistoryReaderTest, DrivesComeInTheOrderFirstSeenOrByOneSerialNumber) {
    FillTwoDrives();
    HistoryReader reader(path);
    const auto all = reader.Drives();
    ASSERT_TRUE(all.Ok()) << all.Error;
    ASSERT_EQ(all.Value.size(), 3u);
    EXPECT_EQ(all.Value[1].SerialNumber, "S2");
    EXPECT_EQ(all.Value[1].Firmware, std::nullopt);
    EXPECT_EQ(all.Value[1].CapacityGB, std::nullopt);
    EXPECT_EQ(all.Value[2].Model, "VELMORA C");

    const auto one = reader.Drives("S1");
    ASSERT_TRUE(one.Ok()) << one.Error;
    ASSERT_EQ(one.Value.size(), 2u);
    EXPECT_EQ(one.Value[0].Id, 1);
    EXPECT_EQ(one.Value[1].Id, 3);
    EXPECT_TRUE(reader.Drives("S9").Value.empty());
}

TEST_F(HistoryReaderTest, SamplesFromATimeOnComeOldestFirstWithNullsEmpty) {
    FillTwoDrives();
    HistoryReader reader(path);
    struct Case {
        std::int64_t DriveId;
        std::int64_t Since;
        std::vector<std::int64_t> Times;
    };
    const Case cases[] = {{1, 0, {100, 200, 300}}, {1, 200, {200, 300}}, {1, 301, {}}, {2, 0, {200}}, {9, 0, {}}};
    for (const Case& c : cases) {
        std::vector<std::int64_t> times;
        const auto read =
            reader.VisitSamples(c.DriveId, c.Since, [&](const SampleRow& s) { times.push_back(s.Time); });
        ASSERT_TRUE(read.Ok()) << read.Error;
        EXPECT_EQ(times, c.Times) << "drive " << c.DriveId << " since " << c.Since;
        EXPECT_EQ(read.Value, c.Times.size());
    }

    std::vector<SampleRow> rows;
    std::vector<std::string> statuses;
    ASSERT_TRUE(reader
                    .VisitSamples(1, 200,
                                  [&](const SampleRow& s) {
                                      rows.push_back(s);
                                      statuses.emplace_back(s.Status.value_or("-"));
                                  })
                    .Ok());
    EXPECT_EQ(statuses, (std::vector<std::string>{"BAD", "OK"}));
    EXPECT_EQ(rows[0].Refreshed, true);
    EXPECT_EQ(rows[0].OverTemperature, false);
    EXPECT_EQ(rows[1].GBWritten, 500);
    EXPECT_EQ(rows[1].LifeMeter, 90);

    ASSERT_TRUE(reader
                    .VisitSamples(2, 0,
                                  [&](const SampleRow& s) {
                                      EXPECT_FALSE(s.Refreshed || s.PowerOnHours || s.PowerCycles || s.MaxEraseCount ||
                                                   s.AvgEraseCount || s.GBWritten || s.Temperature ||
                                                   s.OverTemperature || s.LifeMeter || s.Status);
                                  })
                    .Ok());
}

TEST_F(HistoryReaderTest, EventsFromATimeOnCarryTheirDrivesSerialNumber) {
    FillTwoDrives();
    HistoryReader reader(path);
    struct Case {
        std::int64_t Since;
        std::optional<std::string_view> Serial;
        std::vector<std::int64_t> EventIds;
    };
    const Case cases[] = {
        {0, std::nullopt, {1000, 1001, 1005, 1003}},
        {150, std::nullopt, {1001, 1005, 1003}},
        {0, "S1", {1001, 1003}},  // both drives with that serial; not the watch's own
        {200, "S1", {1003}},
    };
    for (const Case& c : cases) {
        const auto events = reader.Events(c.Since, c.Serial);
        ASSERT_TRUE(events.Ok()) << events.Error;
        std::vector<std::int64_t> ids;
        for (const EventRow& e : events.Value) ids.push_back(e.EventId.value_or(0));
        EXPECT_EQ(ids, c.EventIds) << "since " << c.Since << " serial " << c.Serial.value_or("(any)");
    }
    const auto all = reader.Events(0);
    EXPECT_EQ(all.Value[0].SerialNumber, std::nullopt);
    EXPECT_EQ(all.Value[0].DriveId, std::nullopt);
    EXPECT_EQ(all.Value[2].SerialNumber, "S2");
    EXPECT_EQ(all.Value[2].Message, "S2 found");
}

TEST_F(HistoryReaderTest, LatestRequestRunIsTheLastFinishedRequestStartedAfterTheTime) {
    struct Case {
        const char* Rows;  // runs(started, finished, reason, drives, error)
        std::optional<std::int64_t> Started;
    };
    const Case cases[] = {
        {"(1001,1003,'request',2,NULL)", 1001},
        {"(1000,1003,'request',2,NULL)", std::nullopt},     // not after the time
        {"(1001,NULL,'request',NULL,NULL)", std::nullopt},  // still running
        {"(1001,1003,'interval',2,NULL)", std::nullopt},
        {"(1001,1003,'request',2,NULL),(1005,1006,'request',0,'no drives'),(1002,1004,'request',2,NULL)", 1005},
    };
    for (const Case& c : cases) {
        TemporaryFolder own;
        const std::string file = own.File("history.db");
        FixtureDatabase(file).Exec(std::string("INSERT INTO runs(started, finished, reason, drives, error) VALUES") +
                                   c.Rows);
        HistoryReader reader(file);
        const auto run = reader.LatestRequestRun(1000);
        ASSERT_TRUE(run.Ok()) << run.Error;
        EXPECT_EQ(run.Value ? std::optional(run.Value->Started) : std::nullopt, c.Started) << c.Rows;
    }
    TemporaryFolder own;
    FixtureDatabase(own.File("history.db")).Exec("INSERT INTO runs VALUES(1,1005,1006,'request',0,'no drives')");
    HistoryReader reader(own.File("history.db"));
    const auto failed = reader.LatestRequestRun(1000);
    ASSERT_TRUE(failed.Value);
    EXPECT_EQ(failed.Value->Finished, 1006);
    EXPECT_EQ(failed.Value->Drives, 0);
    EXPECT_EQ(failed.Value->Error, "no drives");
}

// The console runs as an ordinary user who may not write the history's
// folder; the watch keeps its WAL files so such a reader can still open the
// database after the watch has closed it.
TEST_F(HistoryReaderTest, ReadsAsAUserWhoCannotWriteTheFolderAfterThePersistentWalWriterClosed) {
    {
        FixtureDatabase db(path, Journal::PersistentWal);
        db.Exec("INSERT INTO drives VALUES(1,'S1','VELMORA A','F1','SATA',256,100,300)");
        db.Exec("INSERT INTO samples(drive_id, time, status) VALUES(1,100,'OK'),(1,200,'BAD')");
    }
    ASSERT_TRUE(std::filesystem::exists(path + "-wal"));
    ASSERT_TRUE(std::filesystem::exists(path + "-shm"));
    const bool root = geteuid() == 0;
    // root may write anywhere, so the reader runs as nobody in a folder it may only list.
    ASSERT_EQ(chmod(folder.Path().c_str(), root ? 0755 : 0555), 0);

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (root && (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                     setresuid(kNobody, kNobody, kNobody) != 0))
            _exit(10);
        if (access(folder.Path().c_str(), W_OK) == 0) _exit(11);  // the test would prove nothing
        HistoryReader reader(path);
        if (reader.Outcome() != OpenOutcome::Opened) _exit(12);
        const auto drives = reader.Drives();
        std::size_t samples = 0;
        const auto read = reader.VisitSamples(1, 0, [&](const SampleRow&) { ++samples; });
        _exit(drives.Ok() && drives.Value.size() == 1 && read.Ok() && samples == 2 ? 0 : 13);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 cannot become nobody, 11 folder writable, 12 open failed, 13 read failed";
}

}  // namespace
}  // namespace velmora::history
