#include "drives/DrivePresenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tests/drives/PipeReplies.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/RecordingDriveView.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using test_support::AtaReply;
using test_support::NvmeReply;
using test_support::PutAtaEntry;

constexpr std::array<FieldId, 6> kValueFields = {FieldId::PowerOnHours,  FieldId::PowerCycles,
                                                 FieldId::MaxEraseCount, FieldId::AvgEraseCount,
                                                 FieldId::GBWritten,     FieldId::Temperature};

// A healthy Q5 drive: 1234 hours, 56 cycles, erase counts 300 average and
// 900 maximum, 7890 MB written, 41 degrees.
PipeReply HealthyAta() {
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 0, {9, 1234});
    PutAtaEntry(reply, 1, {12, 56});
    PutAtaEntry(reply, 2, {173, (900u << 16) | 300u});
    PutAtaEntry(reply, 3, {194, 41});
    PutAtaEntry(reply, 4, {241, 7890});
    return reply;
}

class DrivePresenterTest : public ::testing::Test {
protected:
    void AddDrives(int count, std::int32_t interfaceType = kInterfaceSata) {
        for (int i = 0; i < count; ++i) {
            DriveInfo& drive = table[i];
            drive.Index = i;
            drive.Model = "VELMORA R730 SSD";
            drive.CapacityGB = 256;
            drive.SerialNumber = "SN" + std::to_string(i);
            drive.FirmwareRevision = interfaceType == kInterfaceNvme ? "N2RT01" : "Q5RT2B1";
            drive.InterfaceType = interfaceType;
            service.SetReply(i, SealReply(interfaceType == kInterfaceNvme ? NvmeReply() : HealthyAta()));
        }
        table.SetDisksCount(count);
    }

    fakes::RecordingEventSink events;
    fakes::FakeSmartService service;
    fakes::RecordingDriveView view;
    DriveTable table;
    DrivePresenter presenter{table, service, view};
};

TEST_F(DrivePresenterTest, DriveButtonsShowPresentShownAndAbsentDrives) {
    const struct {
        int Drives;
        int Selected;
        std::array<int, 4> Images;
    } cases[] = {
        {1, 0, {1, 2, 2, 2}}, {2, 0, {1, 0, 2, 2}}, {2, 1, {0, 1, 2, 2}},
        {4, 0, {1, 0, 0, 0}}, {4, 3, {0, 0, 0, 1}}, {6, 5, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        DriveTable drives;
        fakes::RecordingDriveView screen;
        DrivePresenter shown(drives, service, screen);
        for (int i = 0; i < c.Drives; ++i) {
            drives[i].Index = i;
            drives[i].InterfaceType = kInterfaceSata;
            service.SetReply(i, SealReply(HealthyAta()));
        }
        drives.SetDisksCount(c.Drives);
        drives.SetSelectedDisk(c.Selected);
        EXPECT_EQ(shown.ShowSelectedDrive(), 0);
        EXPECT_EQ(screen.DriveButtons, c.Images) << c.Drives << " drives, selected " << c.Selected;
    }
}

TEST_F(DrivePresenterTest, WithoutDrivesNothingHappens) {
    EXPECT_EQ(presenter.ShowSelectedDrive(), -1);
    EXPECT_TRUE(view.Calls.empty());
    EXPECT_EQ(service.OpenCount, 0);
    EXPECT_EQ(view.DriveButtons, (std::array<int, 4>{2, 2, 2, 2}));
}

TEST_F(DrivePresenterTest, FirstDriveLightsTheRefreshButtonAndIsShown) {
    AddDrives(2);
    presenter.ShowFirstDrive();
    EXPECT_EQ(view.RefreshButton, toolbar_image::RefreshActive);
    EXPECT_EQ(table.SelectedDisk(), 0);
    EXPECT_EQ(view.Text(FieldId::SerialNumber), "SN0");
}

TEST_F(DrivePresenterTest, FieldsShowTheRefreshedEntry) {
    AddDrives(1);
    EXPECT_EQ(presenter.ShowSelectedDrive(), 0);
    EXPECT_EQ(view.Text(FieldId::Model), "VELMORA R730 SSD");
    EXPECT_EQ(view.Text(FieldId::Capacity), "256GB");
    EXPECT_EQ(view.Text(FieldId::SerialNumber), "SN0");
    EXPECT_EQ(view.Text(FieldId::Firmware), "Q5RT2B1");
    EXPECT_EQ(view.Text(FieldId::PowerOnHours), "1234");
    EXPECT_EQ(view.Text(FieldId::PowerCycles), "56");
    EXPECT_EQ(view.Text(FieldId::MaxEraseCount), "900");
    EXPECT_EQ(view.Text(FieldId::AvgEraseCount), "300");
    EXPECT_EQ(view.Text(FieldId::GBWritten), "7");
    EXPECT_EQ(view.Text(FieldId::Temperature), "41");
    EXPECT_EQ(view.Colour, TemperatureColour::Normal);
    EXPECT_EQ(view.Gauge, 90);
    EXPECT_EQ(view.StatusPicture, "STAT_OK");
    EXPECT_TRUE(view.Warnings.empty());
}

TEST_F(DrivePresenterTest, StatusPictureNamesTheDrivesStatus) {
    const struct {
        const char* Name;
        PipeReply Reply;
        const char* Picture;
    } cases[] = {
        {"healthy", AtaReply(1, 1, 0), "STAT_OK"},
        {"failure predicted", AtaReply(1, 1, 1), "STAT_BAD"},
        {"status unknown", AtaReply(0, 1, 0), "STAT_UN"},
    };
    AddDrives(1);
    for (const auto& c : cases) {
        service.SetReply(0, SealReply(c.Reply));
        (void)presenter.ShowSelectedDrive();
        EXPECT_EQ(view.StatusPicture, c.Picture) << c.Name;
    }
}

TEST_F(DrivePresenterTest, FailedRefreshEmptiesValuesKeepsGaugeAndLastGoodStatus) {
    AddDrives(1);
    ASSERT_EQ(presenter.ShowSelectedDrive(), 0);
    ASSERT_EQ(view.Gauge, 90);
    const int gaugeSets = view.GaugeSetCount;

    service.OpenError = 2;
    EXPECT_EQ(presenter.ShowSelectedDrive(), -1);
    for (const FieldId field : kValueFields) EXPECT_EQ(view.Text(field), "") << static_cast<int>(field);
    EXPECT_EQ(view.Text(FieldId::Model), "VELMORA R730 SSD");
    EXPECT_EQ(view.Text(FieldId::Capacity), "256GB");
    EXPECT_EQ(view.GaugeSetCount, gaugeSets);
    EXPECT_EQ(view.Gauge, 90);
    EXPECT_EQ(view.StatusPicture, "STAT_OK");
}

TEST_F(DrivePresenterTest, AnswerWithoutDataEmptiesValuesAndZeroesGauge) {
    AddDrives(1);
    ASSERT_EQ(presenter.ShowSelectedDrive(), 0);
    PipeReply empty = AtaReply();
    empty.DataValid = 0;
    service.SetReply(0, SealReply(empty));

    EXPECT_EQ(presenter.ShowSelectedDrive(), 0);
    for (const FieldId field : kValueFields) EXPECT_EQ(view.Text(field), "") << static_cast<int>(field);
    EXPECT_EQ(view.Gauge, 0);
    EXPECT_EQ(view.StatusPicture, "STAT_UN");
    EXPECT_TRUE(view.Warnings.empty());
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(DrivePresenterTest, WarningIsShownOncePerDrive) {
    AddDrives(2);
    service.SetReply(0, SealReply(AtaReply(1, 1, 1)));
    service.SetReply(1, SealReply(AtaReply(1, 1, 1)));

    (void)presenter.ShowSelectedDrive();
    (void)presenter.ShowSelectedDrive();
    EXPECT_EQ(view.Warnings, std::vector<std::string>{
                                 "There appears to be a problem with one of your SSD parameters.\n"
                                 "To verify this please contact VELMORA technical support for more details."});

    table.SetSelectedDisk(1);
    (void)presenter.ShowSelectedDrive();
    table.SetSelectedDisk(0);
    (void)presenter.ShowSelectedDrive();
    EXPECT_EQ(view.Warnings.size(), 2u);
    EXPECT_EQ(table[0].WarningShown, 1);
    EXPECT_EQ(table[1].WarningShown, 1);
}

TEST_F(DrivePresenterTest, NoWarningWithoutValidStatusOrWhenOnlyTooHot) {
    PipeReply tooHot = NvmeReply();
    tooHot.Data[test_support::nvme_offset::CriticalWarning] = 0x02;
    AddDrives(1);
    service.SetReply(0, SealReply(AtaReply(0, 1, 1)));
    (void)presenter.ShowSelectedDrive();
    AddDrives(1, kInterfaceNvme);
    service.SetReply(0, SealReply(tooHot));
    (void)presenter.ShowSelectedDrive();
    EXPECT_TRUE(view.Warnings.empty());
}

TEST_F(DrivePresenterTest, OverTemperatureIsRedWithItsSuffixAndResetAfterwards) {
    AddDrives(1, kInterfaceNvme);
    PipeReply tooHot = NvmeReply();
    tooHot.Data[test_support::nvme_offset::CriticalWarning] = 0x02;
    StoreLe16(tooHot.Data, test_support::nvme_offset::Temperature, 358);
    service.SetReply(0, SealReply(tooHot));

    (void)presenter.ShowSelectedDrive();
    EXPECT_EQ(view.Text(FieldId::Temperature), "85 (over temperature threshold!)");
    EXPECT_EQ(view.Colour, TemperatureColour::Red);

    service.SetReply(0, SealReply(NvmeReply()));
    (void)presenter.ShowSelectedDrive();
    EXPECT_EQ(view.Text(FieldId::Temperature), "27");
    EXPECT_EQ(view.Colour, TemperatureColour::Normal);
}

TEST_F(DrivePresenterTest, MessagesAreProcessedAfterTheStatusAndBeforeTheWarning) {
    AddDrives(1);
    service.SetReply(0, SealReply(AtaReply(1, 1, 1)));
    (void)presenter.ShowSelectedDrive();
    const auto at = [this](const char* call) {
        return std::find(view.Calls.begin(), view.Calls.end(), call) - view.Calls.begin();
    };
    EXPECT_LT(at("status"), at("messages"));
    EXPECT_LT(at("messages"), at("warning"));
    EXPECT_EQ(std::count(view.Calls.begin(), view.Calls.end(), "messages"), 1);
}

TEST_F(DrivePresenterTest, DriveChosenWhileMessagesRunIsShownAndEachDriveWarnsOnce) {
    AddDrives(2);
    service.SetReply(0, SealReply(AtaReply(1, 1, 1)));
    view.OnProcessMessages = [this] {
        table.SetSelectedDisk(1);  // the user clicked the second drive button meanwhile
        (void)presenter.ShowSelectedDrive();
    };
    (void)presenter.ShowSelectedDrive();
    EXPECT_EQ(view.Text(FieldId::SerialNumber), "SN1");
    EXPECT_EQ(view.DriveButtons, (std::array<int, 4>{0, 1, 2, 2}));
    EXPECT_EQ(view.Warnings.size(), 1u);
    EXPECT_EQ(table[0].WarningShown, 1);
    EXPECT_EQ(table[1].WarningShown, 0);
}

TEST(DescribeDrive, IdentityTextsAlwaysValuesOnlyAfterAGoodRefresh) {
    DriveInfo drive = test_support::Cleared(test_support::Drive("QCRT01", kInterfaceSata));
    drive.CapacityGB = 1024;
    drive.SerialNumber = "ABC";
    drive.NewFirmwareVersion = "QCRT02";
    drive.PowerOnHours = 10;
    drive.Temperature = 30;
    drive.LifePercent = 64;

    const DriveDisplay good = DescribeDrive(drive, 0);
    EXPECT_EQ(good.Text(FieldId::Capacity), "1024GB");
    EXPECT_EQ(good.Text(FieldId::Firmware), "QCRT01 (new version is available)");
    EXPECT_EQ(good.Text(FieldId::PowerOnHours), "10");
    EXPECT_EQ(good.Text(FieldId::Temperature), "30");
    EXPECT_EQ(good.Text(FieldId::GBWritten), "") << "unknown values stay empty";
    EXPECT_EQ(good.Text(FieldId::PowerCycles), "");
    EXPECT_EQ(good.GaugePosition, 64);

    const DriveDisplay failed = DescribeDrive(drive, -1);
    EXPECT_EQ(failed.Text(FieldId::Firmware), "QCRT01 (new version is available)");
    EXPECT_EQ(failed.Text(FieldId::SerialNumber), "ABC");
    EXPECT_EQ(failed.Text(FieldId::PowerOnHours), "");
    EXPECT_EQ(failed.Text(FieldId::Temperature), "");
    EXPECT_FALSE(failed.GaugePosition.has_value());

    drive.NewFirmwareVersion.clear();
    EXPECT_EQ(DescribeDrive(drive, 0).Text(FieldId::Firmware), "QCRT01");
}

TEST(DescribeDrive, NegativeValuesOtherThanUnknownArePrintedAsNumbers) {
    DriveInfo drive = test_support::Cleared(test_support::Drive("N2RT01", kInterfaceNvme));
    drive.Temperature = -23;
    drive.CapacityGB = 0;
    const DriveDisplay display = DescribeDrive(drive, 0);
    EXPECT_EQ(display.Text(FieldId::Temperature), "-23");
    EXPECT_EQ(display.Text(FieldId::Capacity), "0GB");
    EXPECT_EQ(display.GaugePosition, 0);
}

}  // namespace
}  // namespace velmora
