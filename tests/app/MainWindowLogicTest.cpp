#include "app/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "drives/OsVersion.h"
#include "common/AnsiText.h"
#include "common/ByteOrder.h"
#include "common/DriveSet.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "tests/drives/PipeReplies.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/RecordingMainWindowView.h"

namespace velmora {
namespace {

using fakes::RecordedMessage;
using test_support::NvmeReply;
using test_support::nvme_offset::CriticalWarning;
using test_support::nvme_offset::PercentageUsed;
using test_support::nvme_offset::PowerOnHours;
using test_support::nvme_offset::Temperature;

// One of the maker's NVMe drives; the interface follows from the firmware family.
DriveSetDisk MakersDisk(int index) {
    DriveSetDisk disk;
    disk.Index = std::to_string(index);
    disk.DeviceID = "\\\\.\\PHYSICALDRIVE" + std::to_string(index);
    disk.PNPDeviceID = "SCSI\\DISK&VEN_VELMORA\\" + std::to_string(index);
    disk.Model = "VELMORA LP520 NVMe SSD #" + std::to_string(index);
    disk.SerialNumber = "SN" + std::to_string(index);
    disk.FirmwareRevision = "N2RT1A05";
    disk.Size = "512110190592";
    return disk;
}

DriveSetDisk OtherMakersDisk(int index) {
    DriveSetDisk disk = MakersDisk(index);
    disk.Model = "TORVAL HD1000 SATA";
    disk.FirmwareRevision = "CC43";
    return disk;
}

// An NVMe reply whose power-on hours tell the drives apart.
ReplyBytes HealthyReply(std::uint64_t hours, std::uint8_t percentUsed = 3) {
    PipeReply reply = NvmeReply();
    StoreLe16(reply.Data, Temperature, 311);  // 38 C
    reply.Data[PercentageUsed] = percentUsed;
    StoreLe64(reply.Data, PowerOnHours, hours);
    return SealReply(reply);
}

ReplyBytes ReplyWithCriticalWarning(std::uint8_t bits) {
    PipeReply reply = NvmeReply();
    StoreLe16(reply.Data, Temperature, 311);
    reply.Data[CriticalWarning] = bits;
    return SealReply(reply);
}

class MainWindowLogicTest : public ::testing::Test {
protected:
    // Drives of the set answer WMI and the devices; the service answers each
    // drive with HealthyReply(100 + index) unless a test changes it.
    void UseDisks(std::vector<DriveSetDisk> disks) {
        DriveSet set;
        set.Os = DriveSetOs{std::string("10.0.19045")};
        set.Disks = std::move(disks);
        for (const auto& disk : set.Disks) {
            const int index = std::stoi(*disk.Index);
            service.SetReply(index, HealthyReply(100 + static_cast<std::uint64_t>(index)));
        }
        devices = std::make_unique<SimulatedDeviceIo>(set);
        wmi = std::make_unique<SimulatedWmiSource>(std::move(set), machine);
    }

    void UseMakersDisks(int count) {
        std::vector<DriveSetDisk> disks;
        for (int i = 0; i < count; ++i) disks.push_back(MakersDisk(i));
        UseDisks(std::move(disks));
    }

    void Show() { logic.FormShow(*wmi, *devices); }

    [[nodiscard]] std::array<int, kDriveButtonCount> Buttons() const { return view.Drive.DriveButtons; }
    [[nodiscard]] std::string Field(FieldId field) const { return view.Drive.Text(field); }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource machine;
    fakes::FakeSmartService service;
    std::unique_ptr<SimulatedDeviceIo> devices;
    std::unique_ptr<SimulatedWmiSource> wmi;
    DriveTable table;
    fakes::RecordingMainWindowView view;
    MainWindowLogic logic{table, service, view};
};

constexpr int kPresent = toolbar_image::DrivePresent;
constexpr int kShown = toolbar_image::DriveShown;
constexpr int kAbsent = toolbar_image::DriveAbsent;

TEST(MainWindowCaption, IsTheDesignCaptionFollowedByTheVersion) {
    EXPECT_EQ(MainWindowCaption("1.01"), "VELMORA SSD Toolbox 1.01");
}

TEST(ComSecurityFailedText, ShowsTheLastErrorAsASignedNumber) {
    EXPECT_EQ(ComSecurityFailedText(5), "Can't initialize COM obj security (5) !");
    EXPECT_EQ(ComSecurityFailedText(0x80010119u), "Can't initialize COM obj security (-2147417831) !");
}

// ---- start-up checks

struct OsCase {
    const char* version;
    bool accepted;
};

class StartupVersionTest : public MainWindowLogicTest, public ::testing::WithParamInterface<OsCase> {};

TEST_P(StartupVersionTest, AcceptsOnlyTheKnownVersionsAndRefusesTheRestWithAnAbortBox) {
    machine.Set(u"root\\cimv2", u"Win32_OperatingSystem",
                {{u"Version"}, {{WmiVariant::Text(AnsiToUtf16(GetParam().version))}}});

    EXPECT_EQ(logic.CheckStartup(0, 0, machine), GetParam().accepted);

    if (GetParam().accepted) {
        EXPECT_TRUE(view.Messages.empty());
    } else {
        ASSERT_EQ(view.Messages.size(), 1u);
        EXPECT_EQ(view.Messages[0].Kind, MessageKind::Error);
        EXPECT_EQ(view.Messages[0].Text, "Unsupported operating system!");
        EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
    }
    EXPECT_EQ(OSVersionPrefix, std::string(GetParam().version).substr(0, 3));
    EXPECT_TRUE(events.Entries.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, StartupVersionTest,
                         ::testing::Values(OsCase{"6.1.7601", true}, OsCase{"10.0.19045", true},
                                           OsCase{"5.1.2600", true}, OsCase{"6.3.9600", true},
                                           OsCase{"6.0.6002", false}, OsCase{"5.2.3790", false},
                                           OsCase{"11.0.1", false}));

TEST_F(MainWindowLogicTest, FailedComSecurityShowsTheLastErrorInAnAbortBoxBeforeAnyQuery) {
    EXPECT_FALSE(logic.CheckStartup(static_cast<std::int32_t>(0x80010119u), 1008, machine));

    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Kind, MessageKind::Error);
    EXPECT_EQ(view.Messages[0].Text, "Can't initialize COM obj security (1008) !");
    EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
    EXPECT_EQ(machine.ExecuteCount, 0);
}

TEST_F(MainWindowLogicTest, FailedVersionQueryEndsTheStartWithItsReportOnly) {
    EXPECT_FALSE(logic.CheckStartup(0, 0, machine));  // the machine has no such class here

    EXPECT_TRUE(view.Messages.empty());
    EXPECT_EQ(events.Entries, std::vector<std::string>{"FILE Umain LINE 57 CODE -5"});
}

// ---- first showing

TEST_F(MainWindowLogicTest, FirstShowingSelectsTheFirstDriveLightsTheButtonsAndArmsTheTimer) {
    UseMakersDisks(2);
    Show();

    EXPECT_EQ(view.GaugeColour, (std::vector<std::uint8_t>{0, 120, 188}));
    EXPECT_EQ(table.DiskCount(), 2);
    EXPECT_EQ(table.SelectedDisk(), 0);
    EXPECT_EQ(Buttons(), (std::array<int, 4>{kShown, kPresent, kAbsent, kAbsent}));
    EXPECT_EQ(view.Drive.RefreshButton, toolbar_image::RefreshActive);
    EXPECT_EQ(Field(FieldId::Model), "VELMORA LP520 NVMe SSD #0");
    EXPECT_EQ(Field(FieldId::Capacity), "512GB");
    EXPECT_EQ(Field(FieldId::PowerOnHours), "100");
    EXPECT_EQ(Field(FieldId::Temperature), "38");
    EXPECT_EQ(view.Drive.Gauge, 97);
    EXPECT_EQ(view.Drive.StatusPicture, "STAT_OK");
    EXPECT_EQ(view.TimerStarts, 1);
    EXPECT_TRUE(view.Messages.empty());
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(MainWindowLogicTest, OnlyOtherMakersDisksGiveTheNotFoundWarningAndLeaveEverythingGrey) {
    UseDisks({OtherMakersDisk(0), OtherMakersDisk(1)});
    Show();

    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(view.Messages[0].Text, "VELMORA SSD not found!");
    EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
    EXPECT_EQ(Buttons(), (std::array<int, 4>{kAbsent, kAbsent, kAbsent, kAbsent}));
    EXPECT_EQ(view.Drive.RefreshButton, toolbar_image::RefreshInactive);
    EXPECT_EQ(view.Drive.StatusPicture, "STAT_UN");
    EXPECT_TRUE(view.Drive.Fields.empty());
    EXPECT_EQ(view.TimerStarts, 0);
    EXPECT_EQ(service.OpenCount, 0);
}

TEST_F(MainWindowLogicTest, FailedEnumerationIsReportedAtLine210WithoutTheNotFoundBox) {
    UseMakersDisks(1);
    machine.Set(u"root\\cimv2", u"Win32_DiskDrive", {});
    DriveSet broken;
    broken.Broken = true;
    wmi = std::make_unique<SimulatedWmiSource>(broken, machine);  // every disk class answers "no object"
    Show();

    EXPECT_TRUE(view.Messages.empty());
    ASSERT_FALSE(events.Entries.empty());
    EXPECT_EQ(events.Entries.back(), "FILE Umain LINE 210 CODE 0");
    EXPECT_EQ(view.TimerStarts, 0);
    EXPECT_EQ(view.Drive.RefreshButton, toolbar_image::RefreshInactive);
}

struct ButtonCase {
    int drives;
    std::array<int, 4> images;
};

class DriveButtonImagesTest : public MainWindowLogicTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(DriveButtonImagesTest, ButtonsShowPresentShownAndAbsentDrives) {
    UseMakersDisks(GetParam().drives);
    Show();
    EXPECT_EQ(Buttons(), GetParam().images);
}

INSTANTIATE_TEST_SUITE_P(DriveCounts, DriveButtonImagesTest,
                         ::testing::Values(ButtonCase{0, {kAbsent, kAbsent, kAbsent, kAbsent}},
                                           ButtonCase{1, {kShown, kAbsent, kAbsent, kAbsent}},
                                           ButtonCase{2, {kShown, kPresent, kAbsent, kAbsent}},
                                           ButtonCase{4, {kShown, kPresent, kPresent, kPresent}},
                                           ButtonCase{20, {kShown, kPresent, kPresent, kPresent}}));

TEST_F(MainWindowLogicTest, TwentyDrivesFillTheTableToSixteen) {
    UseMakersDisks(20);
    Show();
    EXPECT_EQ(table.DiskCount(), 16);
}

// ---- drive and refresh buttons

TEST_F(MainWindowLogicTest, ClickOnTheSecondButtonShowsTheSecondDriveAndSwapsTheImages) {
    UseMakersDisks(2);
    Show();

    logic.DriveButtonMouseDown(1);
    logic.DriveButtonClick(1);

    EXPECT_EQ(table.SelectedDisk(), 1);
    EXPECT_EQ(Field(FieldId::Model), "VELMORA LP520 NVMe SSD #1");
    EXPECT_EQ(Field(FieldId::PowerOnHours), "101");
    EXPECT_EQ(Buttons(), (std::array<int, 4>{kPresent, kShown, kAbsent, kAbsent}));
}

TEST_F(MainWindowLogicTest, PressOnAButtonWithoutADriveIsCancelledSilently) {
    UseMakersDisks(2);
    Show();
    const int opensBefore = service.OpenCount;

    EXPECT_NO_THROW(logic.DriveButtonMouseDown(0));
    EXPECT_NO_THROW(logic.DriveButtonMouseDown(1));
    EXPECT_THROW(logic.DriveButtonMouseDown(2), SilentAbort);
    EXPECT_THROW(logic.DriveButtonMouseDown(3), SilentAbort);
    logic.DriveButtonClick(3);  // a click that got through anyway changes nothing

    EXPECT_EQ(table.SelectedDisk(), 0);
    EXPECT_EQ(service.OpenCount, opensBefore);
    EXPECT_TRUE(view.Messages.empty());
}

TEST_F(MainWindowLogicTest, WithoutDrivesTheButtonsAndTheRefreshDoNothing) {
    UseMakersDisks(0);
    Show();
    view.Messages.clear();

    EXPECT_THROW(logic.DriveButtonMouseDown(0), SilentAbort);
    logic.DriveButtonClick(0);
    logic.RefreshClick();

    EXPECT_EQ(service.OpenCount, 0);
    EXPECT_TRUE(view.Drive.Fields.empty());
    EXPECT_TRUE(view.Messages.empty());
}

TEST_F(MainWindowLogicTest, ClickOnTheShownDriveRefreshesIt) {
    UseMakersDisks(1);
    Show();
    service.SetReply(0, HealthyReply(555));

    logic.DriveButtonClick(0);

    EXPECT_EQ(Field(FieldId::PowerOnHours), "555");
}

TEST_F(MainWindowLogicTest, FailedRefreshEmptiesTheValuesKeepsTheGaugeAndTheLastGoodStatus) {
    UseMakersDisks(1);
    Show();
    const int gaugeSets = view.Drive.GaugeSetCount;
    service.OpenError = 2;  // the service is gone

    logic.RefreshClick();

    EXPECT_EQ(Field(FieldId::Model), "VELMORA LP520 NVMe SSD #0");
    EXPECT_EQ(Field(FieldId::SerialNumber), "SN0");
    for (FieldId field : {FieldId::PowerOnHours, FieldId::PowerCycles, FieldId::MaxEraseCount,
                          FieldId::AvgEraseCount, FieldId::GBWritten, FieldId::Temperature}) {
        EXPECT_EQ(Field(field), "") << static_cast<int>(field);
    }
    EXPECT_EQ(view.Drive.Gauge, 97);
    EXPECT_EQ(view.Drive.GaugeSetCount, gaugeSets);
    EXPECT_EQ(view.Drive.StatusPicture, "STAT_OK");
    EXPECT_FALSE(events.Entries.empty());
}

TEST_F(MainWindowLogicTest, ProblemDriveWarnsOncePerDriveWithAYesBox) {
    UseMakersDisks(2);
    service.SetReply(0, ReplyWithCriticalWarning(0x04));
    service.SetReply(1, ReplyWithCriticalWarning(0x04));
    Show();
    logic.RefreshClick();
    logic.DriveButtonClick(1);
    logic.DriveButtonClick(1);
    logic.DriveButtonClick(0);

    ASSERT_EQ(view.Messages.size(), 2u);  // once for each drive
    for (const RecordedMessage& message : view.Messages) {
        EXPECT_EQ(message.Kind, MessageKind::Warning);
        EXPECT_EQ(message.Button, MessageButton::Yes);
        EXPECT_EQ(message.Text, kParameterWarningText);
    }
    EXPECT_EQ(view.Drive.StatusPicture, "STAT_BAD");
}

TEST_F(MainWindowLogicTest, OverTemperatureIsRedWithItsSuffixAGreyPictureAndNoWarning) {
    UseMakersDisks(1);
    service.SetReply(0, ReplyWithCriticalWarning(0x02));
    Show();

    EXPECT_EQ(Field(FieldId::Temperature), "38 (over temperature threshold!)");
    EXPECT_EQ(view.Drive.Colour, TemperatureColour::Red);
    EXPECT_EQ(view.Drive.StatusPicture, "STAT_UN");
    EXPECT_TRUE(view.Messages.empty());

    service.SetReply(0, HealthyReply(7));
    logic.RefreshClick();
    EXPECT_EQ(Field(FieldId::Temperature), "38");
    EXPECT_EQ(view.Drive.Colour, TemperatureColour::Normal);
}

TEST_F(MainWindowLogicTest, NewFirmwareVersionAddsTheSuffixToTheFirmwareField) {
    UseMakersDisks(1);
    Show();
    EXPECT_EQ(Field(FieldId::Firmware), "N2RT1A05");

    table[0].NewFirmwareVersion = "N2RT1A07";
    logic.RefreshClick();

    EXPECT_EQ(Field(FieldId::Firmware), "N2RT1A05 (new version is available)");
}

// ---- menu

TEST_F(MainWindowLogicTest, MenuCommandsOpenTheirWindowsAndExitCloses) {
    for (MenuCommand command : {MenuCommand::RawSmartData, MenuCommand::About, MenuCommand::License,
                                MenuCommand::AboutInstaller, MenuCommand::Exit}) {
        logic.MenuCommandChosen(command);
    }
    EXPECT_EQ(view.Opened, (std::vector<std::string>{"raw", "about", "license", "installer", "close"}));
}

}  // namespace
}  // namespace velmora
