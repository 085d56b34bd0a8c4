#include "common/DriveSetFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>
#include <unistd.h>

#include "common/ByteOrder.h"
#include "common/DriveSetEnvironment.h"
#include "common/StorageLayout.h"
#include "common/WmiTable.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeFileStamps.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

const std::string kSets = std::string(VELMORA_TEST_DATA) + "/drive-sets/";
const std::string kDemo = std::string(VELMORA_TEST_DATA) + "/../../examples/demo-drives.ini";

TEST(LoadDriveSetFile, ReadsAGoodFileWithoutAReport) {
    fakes::RecordingEventSink events;
    const DriveSet set = LoadDriveSetFile(kSets + "good.ini");
    EXPECT_FALSE(set.Broken);
    ASSERT_EQ(set.Disks.size(), 2u);
    EXPECT_EQ(set.Os->Version, "10.0.19045");
    EXPECT_EQ(set.Disks[0].VendorSpecific->size(), 14u);
    EXPECT_EQ(set.Disks[1].HealthLog->at(511), 0xFF);
    EXPECT_TRUE(events.Entries.empty());
}

struct BadFile {
    const char* Name;
    std::string Path;
    const char* Entry;
};

TEST(LoadDriveSetFile, ReportsAFileItCannotUseOnceWithItsNameAndLine) {
    const BadFile cases[] = {
        {"parse error", kSets + "duplicate-key.ini", "FILE duplicate-key.ini LINE 4 CODE 0"},
        {"missing file", kSets + "no-such-set.ini", "FILE no-such-set.ini LINE 0 CODE 0"},
        {"a folder", kSets, "FILE  LINE 0 CODE 0"},
    };
    for (const BadFile& c : cases) {
        fakes::RecordingEventSink events;
        const DriveSet set = LoadDriveSetFile(c.Path);
        EXPECT_TRUE(set.Broken) << c.Name;
        EXPECT_TRUE(set.Disks.empty()) << c.Name;
        EXPECT_EQ(events.Entries, std::vector<std::string>{c.Entry}) << c.Name;
    }
}

TEST(LoadDriveSetFile, RefusesAFileLargerThanAnyDriveSetAsUnreadable) {
    const auto path = std::filesystem::temp_directory_path() / "velmora-oversized-drive-set.ini";
    {
        std::ofstream file(path, std::ios::binary);
        const std::string comments(1024 * 1024, ';');
        for (std::size_t written = 0; written <= kMaxDriveSetFileSize; written += comments.size()) file << comments;
    }
    fakes::RecordingEventSink events;
    const DriveSet set = LoadDriveSetFile(path.string());
    std::filesystem::remove(path);
    EXPECT_TRUE(set.Broken);
    EXPECT_EQ(events.Entries, std::vector<std::string>{"FILE velmora-oversized-drive-set.ini LINE 0 CODE 0"});
}

class DriveSetEnvironmentTest : public ::testing::Test {
protected:
    fakes::RecordingEventSink events;
    fakes::FakeWmiSource realWmi;
    fakes::FakeDeviceIo realDevices;
};

TEST_F(DriveSetEnvironmentTest, WithoutAPathUsesTheMachinesSources) {
    for (const std::optional<std::string>& path : {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        DriveSetEnvironment environment(path, realWmi, realDevices);
        EXPECT_EQ(&environment.Wmi(), &realWmi);
        EXPECT_EQ(&environment.Devices(), &realDevices);
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(DriveSetEnvironmentTest, WithAGoodSetAnswersFromTheSetAndPassesTheRestOn) {
    realWmi.Set(u"root\\cimv2", u"Win32_Processor", {{u"Name"}, {{WmiVariant::Text(u"cpu")}}});
    DriveSetEnvironment environment(kSets + "good.ini", realWmi, realDevices);
    EXPECT_NE(&environment.Wmi(), &realWmi);

    WmiTable disks(environment.Wmi());
    ASSERT_EQ(disks.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    EXPECT_EQ(disks.RowCount(), 2);
    WmiTable other(environment.Wmi());
    EXPECT_EQ(other.Execute(u"root\\cimv2", u"Win32_Processor"), 0);
    EXPECT_EQ(realWmi.ExecuteCount, 1);

    std::uint32_t error = 0;
    EXPECT_NE(environment.Devices().Open("\\\\.\\PhysicalDrive1", DeviceAccess::ReadWrite, error), nullptr);
    EXPECT_NE(environment.Devices().Open("\\\\.\\PHYSICALDRIVE0", DeviceAccess::None, error), nullptr);
    EXPECT_TRUE(realDevices.OpenedPaths.empty());
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(DriveSetEnvironmentTest, WithABadSetReportsOnceAndThenFailsEveryDriveQuerySilently) {
    realWmi.Set(u"root\\cimv2", u"Win32_DiskDrive", {{u"Index"}, {{WmiVariant::Int32(0)}}});
    realWmi.Set(u"root\\cimv2", u"Win32_Processor", {{u"Name"}, {{WmiVariant::Text(u"cpu")}}});
    DriveSetEnvironment environment(kSets + "duplicate-key.ini", realWmi, realDevices);
    EXPECT_NE(&environment.Wmi(), &realWmi);

    for (int round = 0; round < 3; ++round) {
        for (const char16_t* className : {u"Win32_DiskDrive", u"Win32_OperatingSystem"}) {
            WmiTable table(environment.Wmi());
            EXPECT_EQ(table.Execute(u"root\\cimv2", className), wmi_result::NoObject);
        }
        for (const char16_t* className :
             {u"MSStorageDriver_FailurePredictStatus", u"MSStorageDriver_FailurePredictData"}) {
            WmiTable table(environment.Wmi());
            EXPECT_EQ(table.Execute(u"root\\WMI", className), wmi_result::NoObject);
        }
        std::uint32_t error = 0;
        EXPECT_EQ(environment.Devices().Open("\\\\.\\PhysicalDrive0", DeviceAccess::ReadWrite, error), nullptr);
        EXPECT_EQ(error, 2u);
    }
    WmiTable other(environment.Wmi());
    EXPECT_EQ(other.Execute(u"root\\cimv2", u"Win32_Processor"), 0);
    EXPECT_EQ(realWmi.ExecuteCount, 1);
    EXPECT_TRUE(realDevices.OpenedPaths.empty());
    EXPECT_EQ(events.Entries, std::vector<std::string>{"FILE duplicate-key.ini LINE 4 CODE 0"});
}

// The file is read again at the first query or device open after its stamp
// changed, whatever its bytes did meanwhile; each reading of a bad file is
// reported once. The sources handed out at start stay valid throughout.
struct ReloadStep {
    const char* What;
    const char* Write;  // the file's new bytes; null: left as it is
    bool Remove;
    std::optional<std::int64_t> Modified;  // the stamp's time; none: no stamp, as for a missing file
    bool DevicesFirst;                     // a device open comes first, else a WMI query
    const char16_t* Model;                 // null: a broken set
    const char* Opens;                     // the device path that opens; null: none
    std::size_t Reports;                   // entries so far
};

TEST_F(DriveSetEnvironmentTest, ReadsTheFileAgainWhenItsStampChanged) {
    const char* const kA = "[disk]\nDeviceID=\\\\.\\PhysicalDrive0\nBusType=17\nModel=A\n";
    const char* const kB = "[disk]\nDeviceID=\\\\.\\PhysicalDrive1\nBusType=17\nModel=B\n";
    const char* const kBad = "[disk]\nModel=A\nModel=B\n";
    const ReloadStep steps[] = {
        {"read at start", kA, false, 1, false, u"A", "\\\\.\\PhysicalDrive0", 0},
        {"new bytes, same stamp: not read", kB, false, 1, true, u"A", "\\\\.\\PhysicalDrive0", 0},
        {"new stamp: read at a device open", nullptr, false, 2, true, u"B", "\\\\.\\PhysicalDrive1", 0},
        {"bad bytes: reported", kBad, false, 3, false, nullptr, nullptr, 1},
        {"still bad, same stamp: not again", nullptr, false, 3, true, nullptr, nullptr, 1},
        {"fixed: read at a query", kA, false, 4, false, u"A", "\\\\.\\PhysicalDrive0", 1},
        {"removed: reported", nullptr, true, std::nullopt, false, nullptr, nullptr, 2},
        {"back again", kB, false, 5, true, u"B", "\\\\.\\PhysicalDrive1", 2},
    };
    const auto path = std::filesystem::temp_directory_path() / ("velmora-reload-" + std::to_string(::getpid()) + ".ini");
    fakes::FakeFileStamps stamps;
    auto prepare = [&](const ReloadStep& step) {
        if (step.Write) std::ofstream(path, std::ios::binary) << step.Write;
        if (step.Remove) std::filesystem::remove(path);
        stamps.Stamp = step.Modified ? std::optional<FileStamp>(FileStamp{*step.Modified, 0}) : std::nullopt;
    };
    prepare(steps[0]);
    DriveSetEnvironment environment(path.string(), realWmi, realDevices, stamps);
    WmiSource& wmi = environment.Wmi();
    DeviceIo& devices = environment.Devices();
    for (const ReloadStep& step : steps) {
        prepare(step);
        std::unique_ptr<Device> opened;
        std::uint32_t error = 0;
        auto open = [&] {
            opened = devices.Open(step.Opens ? step.Opens : "\\\\.\\PhysicalDrive0", DeviceAccess::None, error);
        };
        if (step.DevicesFirst) open();
        WmiTable disks(wmi);
        const int result = disks.Execute(u"root\\cimv2", u"Win32_DiskDrive");
        if (!step.DevicesFirst) open();

        EXPECT_EQ(opened != nullptr, step.Opens != nullptr) << step.What;
        if (step.Model) {
            WmiVariant model;
            ASSERT_EQ(result, 0) << step.What;
            ASSERT_EQ(disks.GetValue(0, u"Model", model), 0) << step.What;
            EXPECT_EQ(model, WmiVariant::Text(step.Model)) << step.What;
        } else {
            EXPECT_EQ(result, wmi_result::NoObject) << step.What;
        }
        EXPECT_EQ(events.Entries.size(), step.Reports) << step.What;
    }
    std::filesystem::remove(path);
    EXPECT_TRUE(realDevices.OpenedPaths.empty());
}

// The demo set in examples/ is what people see first: its numbers must be
// the ones its comments promise.
TEST(DemoDriveSet, HoldsTwoOfTheMakersDrivesAndOneOtherWithTheCommentedValues) {
    fakes::RecordingEventSink events;
    const DriveSet set = LoadDriveSetFile(kDemo);
    ASSERT_FALSE(set.Broken);
    ASSERT_TRUE(events.Entries.empty());
    ASSERT_EQ(set.Disks.size(), 3u);

    const DriveSetDisk& sata = set.Disks[0];
    EXPECT_EQ(sata.FirmwareRevision->substr(0, 2), "Q5");
    EXPECT_EQ(sata.BusType, std::uint8_t{11});
    ASSERT_EQ(sata.VendorSpecific->size(), 512u);
    const std::vector<std::uint8_t>& block = *sata.VendorSpecific;
    EXPECT_EQ(std::accumulate(block.begin(), block.end(), 0u) % 256u, 0u);
    auto raw32 = [&block](std::uint8_t id) -> std::uint32_t {
        for (std::size_t at = 2; at + 12 <= 362; at += 12) {
            if (block[at] == id) return LoadLe32(block, at + 5);
        }
        ADD_FAILURE() << "attribute " << int{id} << " missing";
        return 0;
    };
    EXPECT_EQ(raw32(9), 1234u);
    EXPECT_EQ(raw32(12), 321u);
    EXPECT_EQ(raw32(173) & 0xFFFF, 150u);
    EXPECT_EQ(raw32(173) >> 16, 210u);
    EXPECT_EQ(raw32(194) & 0xFF, 35u);
    EXPECT_EQ(raw32(241), 4567000u);
    EXPECT_EQ(sata.EffectiveInstanceName(), *sata.PNPDeviceID + "_0");

    const DriveSetDisk& nvme = set.Disks[1];
    EXPECT_EQ(nvme.FirmwareRevision->substr(0, 2), "N2");
    EXPECT_EQ(nvme.BusType, std::uint8_t{17});
    ASSERT_TRUE(nvme.HealthLog.has_value());
    const std::span<const std::uint8_t> log(*nvme.HealthLog);
    EXPECT_EQ(log[nvme_health_log::CriticalWarningOffset], 0);
    EXPECT_EQ(LoadLe16(log, nvme_health_log::CompositeTemperatureOffset) - 273, 38);
    EXPECT_EQ(log[nvme_health_log::PercentageUsedOffset], 3);
    EXPECT_EQ(LoadLe64(log, nvme_health_log::DataUnitsWrittenOffset) / 1953, 4500u);
    EXPECT_EQ(LoadLe32(log, nvme_health_log::PowerCyclesOffset), 275u);
    EXPECT_EQ(LoadLe32(log, nvme_health_log::PowerOnHoursOffset), 2210u);
    EXPECT_EQ(LoadLe64(log, nvme_health_log::MediaErrorsOffset), 0u);

    const DriveSetDisk& other = set.Disks[2];
    EXPECT_EQ(other.Model->find("VELMORA"), std::string::npos);
    EXPECT_TRUE(other.HasPredictStatus());
}

}  // namespace
}  // namespace velmora
