#include "app/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/OsVersion.h"
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

using test_support::NvmeReply;
using test_support::nvme_offset::PowerOnHours;

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

// An NVMe reply whose power-on hours tell the drives and refreshes apart.
ReplyBytes HealthyReply(std::uint64_t hours) {
    PipeReply reply = NvmeReply();
    StoreLe64(reply.Data, PowerOnHours, hours);
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
    // The start-up check leaves the accepted prefix behind for enumeration.
    void TearDown() override { OSVersionPrefix.clear(); }

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

TEST(MainWindowCaption, IsTheDesignCaptionFollowedByTheVersion) {
    EXPECT_EQ(MainWindowCaption("1.01"), "VELMORA SSD Toolbox 1.01");
}

// ---- start-up checks

TEST_F(MainWindowLogicTest, AnAcceptedSystemStartsWithoutABoxAndARefusedOneEndsWithTheAbortBox) {
    const struct {
        const char16_t* Version;
        bool Accepted;
    } cases[] = {{u"6.1.7601", true}, {u"6.0.6002", false}};
    for (const auto& c : cases) {
        view.Messages.clear();
        machine.Set(u"root\\cimv2", u"Win32_OperatingSystem", {{u"Version"}, {{WmiVariant::Text(c.Version)}}});

        EXPECT_EQ(logic.CheckStartup(0, machine), c.Accepted);

        if (c.Accepted) {
            EXPECT_TRUE(view.Messages.empty());
        } else {
            ASSERT_EQ(view.Messages.size(), 1u);
            EXPECT_EQ(view.Messages[0].Kind, MessageKind::Error);
            EXPECT_EQ(view.Messages[0].Text, "Unsupported operating system!");
            EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
        }
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(MainWindowLogicTest, FailedComSecurityShowsItsResultAsASignedNumberInAnAbortBoxBeforeAnyQuery) {
    EXPECT_FALSE(logic.CheckStartup(static_cast<std::int32_t>(0x80010119u), machine));

    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Kind, MessageKind::Error);
    EXPECT_EQ(view.Messages[0].Text, "Can't initialize COM obj security (-2147417831) !");
    EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
    EXPECT_EQ(machine.ExecuteCount, 0);
}

TEST_F(MainWindowLogicTest, FailedVersionQueryEndsTheStartWithItsReportOnly) {
    EXPECT_FALSE(logic.CheckStartup(0, machine));  // the machine has no such class here

    EXPECT_TRUE(view.Messages.empty());
    EXPECT_EQ(events.Entries, std::vector<std::string>{"FILE Umain LINE 57 CODE -5"});
}

// ---- first showing (what the drive display then shows is the presenter's)

TEST_F(MainWindowLogicTest, FirstShowingColoursTheGaugeShowsTheFirstDriveAndArmsTheTimer) {
    UseMakersDisks(2);
    Show();

    EXPECT_EQ(view.GaugeColour, (std::vector<std::uint8_t>{0, 120, 188}));
    EXPECT_EQ(table.DiskCount(), 2);
    EXPECT_EQ(table.SelectedDisk(), 0);
    EXPECT_EQ(Field(FieldId::Model), "VELMORA LP520 NVMe SSD #0");
    EXPECT_EQ(view.TimerStarts, 1);
    EXPECT_TRUE(view.Messages.empty());
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(MainWindowLogicTest, OnlyOtherMakersDisksGiveTheNotFoundWarningAndShowNoDrive) {
    UseDisks({OtherMakersDisk(0), OtherMakersDisk(1)});
    Show();

    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(view.Messages[0].Text, "VELMORA SSD not found!");
    EXPECT_EQ(view.Messages[0].Button, MessageButton::Abort);
    EXPECT_TRUE(view.Drive.Calls.empty());
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
    EXPECT_TRUE(view.Drive.Calls.empty());
}

// ---- drive and refresh buttons

TEST_F(MainWindowLogicTest, ClickOnTheSecondButtonShowsTheSecondDrive) {
    UseMakersDisks(2);
    Show();

    logic.DriveButtonMouseDown(1);
    logic.DriveButtonClick(1);

    EXPECT_EQ(table.SelectedDisk(), 1);
    EXPECT_EQ(Field(FieldId::Model), "VELMORA LP520 NVMe SSD #1");
    EXPECT_EQ(Field(FieldId::PowerOnHours), "101");
}

TEST_F(MainWindowLogicTest, PressOnAButtonWithoutADriveIsCancelledSilently) {
    UseMakersDisks(2);
    Show();
    const int opensBefore = service.OpenCount;

    const struct {
        int Tag;
        bool Cancelled;
    } cases[] = {{0, false}, {1, false}, {2, true}, {3, true}};
    for (const auto& c : cases) {
        bool cancelled = false;
        try {
            logic.DriveButtonMouseDown(c.Tag);
        } catch (const SilentAbort&) {
            cancelled = true;
        }
        EXPECT_EQ(cancelled, c.Cancelled) << c.Tag;
    }
    logic.DriveButtonClick(3);  // a click that got through anyway changes nothing

    EXPECT_EQ(table.SelectedDisk(), 0);
    EXPECT_EQ(service.OpenCount, opensBefore);
    EXPECT_TRUE(view.Messages.empty());
}

TEST_F(MainWindowLogicTest, ClickOnTheShownDriveAndTheRefreshButtonRefreshIt) {
    UseMakersDisks(1);
    Show();

    service.SetReply(0, HealthyReply(555));
    logic.DriveButtonClick(0);
    EXPECT_EQ(Field(FieldId::PowerOnHours), "555");

    service.SetReply(0, HealthyReply(556));
    logic.RefreshClick();
    EXPECT_EQ(Field(FieldId::PowerOnHours), "556");
}

// ---- menu

TEST_F(MainWindowLogicTest, MenuCommandsOpenTheirWindowsAndExitCloses) {
    for (MenuCommand command : {MenuCommand::RawSmartData, MenuCommand::About, MenuCommand::License,
                                MenuCommand::AboutInstaller, MenuCommand::Exit}) {
        logic.MenuCommandChosen(command);
    }
    EXPECT_EQ(view.Opened, (std::vector<std::string>{"raw", "about", "license", "installer", "close"}));
}

TEST_F(MainWindowLogicTest, HealthHistoryOpensForTheSelectedDriveOrForNoneWithoutDrives) {
    logic.MenuCommandChosen(MenuCommand::HealthHistory);
    UseMakersDisks(2);
    Show();
    logic.DriveButtonClick(1);
    logic.MenuCommandChosen(MenuCommand::HealthHistory);

    EXPECT_EQ(view.Opened, (std::vector<std::string>{"history of none", "history of SN1"}));
}

}  // namespace
}  // namespace velmora
