#include "app/HealthHistory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/history/HistoryFixture.h"

namespace velmora {
namespace {

using history::testing::FixtureDatabase;
using history::testing::TemporaryFolder;

constexpr char kNoHistory[] = "No history yet: is the SMART_VELMORA_WATCH service running?";

TEST(ApproximateDuration, CountsYearsFromTwoYearsMonthsFromTwoMonthsElseDays) {
    const struct {
        std::int64_t Days;
        const char* Text;
    } cases[] = {
        {0, "within a day"},       {1, "about 1 day"},       {60, "about 60 days"},
        {61, "about 2 months"},    {730, "about 24 months"}, {731, "about 2 years"},
        {1460, "about 4 years"},   {2047, "about 6 years"},
    };
    for (const auto& c : cases) EXPECT_EQ(ApproximateDuration(c.Days), c.Text) << c.Days;
}

TEST(ForecastSentence, GivesTheMonthOfZeroOrThatItIsReachedOrWhyThereIsNone) {
    history::WearForecast wearing;
    wearing.LifeMeter = 60;
    wearing.DaysLeft = 1460;
    wearing.DateLifeZero = "2031-03-14";
    history::WearForecast worn;
    worn.LifeMeter = 0;
    worn.DaysLeft = 0;
    worn.DateLifeZero = "2026-05-02";
    history::WearForecast young;
    young.LifeMeter = 99;
    young.Reason = history::kNotEnoughHistory;
    history::WearForecast steady;
    steady.LifeMeter = 99;
    steady.Reason = history::kNoMeasurableWear;

    const struct {
        const history::WearForecast& Forecast;
        const char* Sentence;
    } cases[] = {
        {wearing, "At the current rate the life meter reaches 0 % around 2031-03 (about 4 years)"},
        {worn, "The life meter has reached 0 %"},
        {young, "No forecast yet: not enough history"},
        {steady, "No forecast yet: no measurable wear"},
    };
    for (const auto& c : cases) EXPECT_EQ(ForecastSentence(c.Forecast), c.Sentence);
}

DriveInfo ShownDrive(const char* serial, const char* model) {
    DriveInfo drive;
    drive.SerialNumber = serial;
    drive.Model = model;
    return drive;
}

TEST(HealthHistoryCaption, NamesTheDriveWhenThereIsOne) {
    const DriveInfo drive = ShownDrive("VM0A1B2C3D", "VELMORA R730 SSD");
    EXPECT_EQ(HealthHistoryCaption(&drive), "Health history: VELMORA R730 SSD (serial number VM0A1B2C3D)");
    EXPECT_EQ(HealthHistoryCaption(nullptr), "Health history");
}

// 2025-12-01T06:00:00Z.
constexpr std::int64_t kT0 = 1764568800;

std::string Sample(int drive, int day, const char* refreshed, const char* life, const char* temperature) {
    return "INSERT INTO samples(drive_id, time, refreshed, life_meter, temperature, status) VALUES(" +
           std::to_string(drive) + ", " + std::to_string(kT0 + day * 86400) + ", " + refreshed + ", " + life + ", " +
           temperature + ", 'OK')";
}

class HealthHistoryRead : public ::testing::Test {
protected:
    void SetUp() override {
        FixtureDatabase db(path);
        db.Exec("INSERT INTO drives VALUES(1, 'VM1', 'VELMORA R730 SSD', 'Q5RT2B1', 'SATA', 256, 0, 0)");
        db.Exec("INSERT INTO drives VALUES(2, 'VM1', 'VELMORA R730 SSD 2', 'Q5RT2B1', 'SATA', 256, 0, 0)");
        db.Exec("INSERT INTO drives VALUES(3, 'VM3', 'VELMORA LP520 NVMe SSD', 'N2RT1A05', 'NVMe', 512, 0, 0)");
        // Drive 1 loses 2 % in 45 days: 91 % lasts 2047.5 days after 2026-03-01.
        db.Exec(Sample(1, 0, "1", "95", "35"));
        db.Exec(Sample(1, 30, "0", "NULL", "NULL"));
        db.Exec(Sample(1, 45, "1", "93", "38"));
        db.Exec(Sample(1, 90, "1", "91", "36"));
        db.Exec(Sample(2, 0, "1", "80", "40"));
        db.Exec(Sample(2, 3, "1", "80", "41"));
    }

    TemporaryFolder folder;
    std::string path = folder.File("history.db");
};

TEST_F(HealthHistoryRead, TheShownModelsRowGivesTheChartAndTheForecastSentence) {
    const DriveInfo drive = ShownDrive("VM1", "VELMORA R730 SSD");
    const HealthHistory shown = ReadHealthHistory(path, &drive);

    ASSERT_TRUE(shown.HasChart);
    EXPECT_EQ(shown.Text, "At the current rate the life meter reaches 0 % around 2031-10 (about 6 years)");
    ASSERT_EQ(shown.Points.size(), 4u);
    EXPECT_EQ(shown.Points[0].Time, kT0);
    EXPECT_EQ(shown.Points[0].LifeMeter, 95);
    EXPECT_EQ(shown.Points[0].Temperature, 35);
    // The failed read carries no values.
    EXPECT_EQ(shown.Points[1].LifeMeter, std::nullopt);
    EXPECT_EQ(shown.Points[1].Temperature, std::nullopt);
    EXPECT_EQ(shown.Forecast.DateLifeZero, "2031-10-08");
}

TEST_F(HealthHistoryRead, AnotherModelOfTheSerialNumberTakesTheFirstRow) {
    const DriveInfo drive = ShownDrive("VM1", "VELMORA R730 SSD 3");
    EXPECT_EQ(ReadHealthHistory(path, &drive).Points.size(), 4u);
    const DriveInfo second = ShownDrive("VM1", "VELMORA R730 SSD 2");
    const HealthHistory shown = ReadHealthHistory(path, &second);
    EXPECT_EQ(shown.Points.size(), 2u);
    EXPECT_EQ(shown.Text, "No forecast yet: not enough history");
}

TEST_F(HealthHistoryRead, WithoutAnythingToChartOnlyAMessageIsShown) {
    const std::string notADatabase = folder.File("not-a-database.db");
    std::ofstream(notADatabase) << "plain text, long enough to be no SQLite header at all........................";
    const DriveInfo unknown = ShownDrive("VM9", "VELMORA R730 SSD");
    const DriveInfo withoutSamples = ShownDrive("VM3", "VELMORA LP520 NVMe SSD");
    const DriveInfo known = ShownDrive("VM1", "VELMORA R730 SSD");

    const struct {
        std::string Path;
        const DriveInfo* Drive;
        std::string Text;
    } cases[] = {
        {path, nullptr, "VELMORA SSD not found!"},
        {folder.File("missing.db"), &known, kNoHistory},
        {"", &known, kNoHistory},
        {path, &unknown, kNoHistory},
        {path, &withoutSamples, kNoHistory},
        {notADatabase, &known, "Cannot read the history " + notADatabase + ": file is not a database"},
    };
    for (const auto& c : cases) {
        const HealthHistory shown = ReadHealthHistory(c.Path, c.Drive);
        EXPECT_FALSE(shown.HasChart) << c.Text;
        EXPECT_EQ(shown.Text, c.Text);
    }
}

}  // namespace
}  // namespace velmora
