#include "drives/SmartRefresh.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/drives/PipeReplies.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using test_support::AtaReply;
using test_support::Drive;
using test_support::NvmeReply;
using test_support::PutAtaEntry;

// An entry as a good refresh left it, so untouched-ness is visible.
DriveInfo RefreshedBefore(std::int32_t interfaceType) {
    DriveInfo drive = Drive("Q5RT2B1", interfaceType);
    drive.Index = 3;
    drive.PNPDeviceID = "SCSI\\DISK&VEN_VELMORA\\4&1";
    drive.SmartValid = 1;
    drive.Healthy = 1;
    drive.WarningShown = 1;
    drive.AvgEraseCount = 11;
    drive.MaxEraseCount = 22;
    drive.GBWritten = 33;
    drive.Temperature = 44;
    drive.OverTemperature = 1;
    drive.PowerOnHours = 55;
    drive.PowerCycles = 66;
    drive.LifePercent = 77;
    return drive;
}

bool SameSmartHalf(const DriveInfo& a, const DriveInfo& b) {
    return a.SmartValid == b.SmartValid && a.Healthy == b.Healthy && a.WarningShown == b.WarningShown &&
           a.AvgEraseCount == b.AvgEraseCount && a.MaxEraseCount == b.MaxEraseCount && a.GBWritten == b.GBWritten &&
           a.Temperature == b.Temperature && a.OverTemperature == b.OverTemperature &&
           a.PowerOnHours == b.PowerOnHours && a.PowerCycles == b.PowerCycles && a.LifePercent == b.LifePercent;
}

class RefreshDriveSmartTest : public ::testing::Test {
protected:
    void SetUp() override { table[0] = RefreshedBefore(kInterfaceSata); }

    fakes::RecordingEventSink events;
    fakes::FakeSmartService service;
    DriveTable table;
};

TEST_F(RefreshDriveSmartTest, ReplyWithWrongChecksumIsRejectedBeforeTheEntryChanges) {
    ReplyBytes bytes = SealReply(AtaReply(1, 1, 1));
    bytes[200] ^= 0x40;
    service.SetReply(3, bytes);
    const DriveInfo before = table[0];

    EXPECT_EQ(RefreshDriveSmart(table, 0, service), -1);
    EXPECT_TRUE(SameSmartHalf(table[0], before));
    EXPECT_EQ(events.Entries, std::vector<std::string>{"FILE smart LINE 182 CODE 0"});
}

TEST_F(RefreshDriveSmartTest, FailedExchangeIsReportedWithTheClientsResultAndLeavesTheEntry) {
    service.OpenError = 2;  // the service is not running
    const DriveInfo before = table[0];

    EXPECT_EQ(RefreshDriveSmart(table, 0, service), -1);
    EXPECT_TRUE(SameSmartHalf(table[0], before));
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE pipe LINE 38 CODE 2", "FILE smart LINE 176 CODE -1"}));
}

TEST_F(RefreshDriveSmartTest, ShortReplyIsAFailedExchangeAndNeverDecoded) {
    const ReplyBytes whole = SealReply(AtaReply(1, 1, 1));
    service.Replies[3].assign(whole.begin(), whole.begin() + 4000);
    const DriveInfo before = table[0];

    EXPECT_EQ(RefreshDriveSmart(table, 0, service), -1);
    EXPECT_TRUE(SameSmartHalf(table[0], before));
    ASSERT_EQ(events.Entries.size(), 2u);
    EXPECT_EQ(events.Entries[0].rfind("FILE pipe LINE 96 ", 0), 0u) << events.Entries[0];
    EXPECT_EQ(events.Entries[1], "FILE smart LINE 176 CODE -1");
}

TEST_F(RefreshDriveSmartTest, SendsTheEntrysDriveNumberInterfaceAndInstance) {
    service.SetReply(3, SealReply(AtaReply()));
    ASSERT_EQ(RefreshDriveSmart(table, 0, service), 0);
    ASSERT_EQ(service.Requests.size(), 1u);
    EXPECT_EQ(service.Requests[0].DriveNumber, 3);
    EXPECT_EQ(service.Requests[0].InterfaceType, kInterfaceSata);
    EXPECT_EQ(service.Requests[0].InstanceName, "SCSI\\DISK&VEN_VELMORA\\4&1");
}

TEST_F(RefreshDriveSmartTest, ReplyWithoutDataLeavesEveryValueUnknownWithoutReport) {
    PipeReply reply = AtaReply();
    reply.DataValid = 0;
    PutAtaEntry(reply, 0, {9, 1000});
    service.SetReply(3, SealReply(reply));

    EXPECT_EQ(RefreshDriveSmart(table, 0, service), 0);
    const DriveInfo& drive = table[0];
    EXPECT_EQ(drive.SmartValid, 0);
    EXPECT_EQ(drive.Healthy, 0);
    EXPECT_EQ(drive.PowerOnHours, -1);
    EXPECT_EQ(drive.LifePercent, -1);
    EXPECT_EQ(drive.OverTemperature, 0);
    EXPECT_EQ(drive.WarningShown, 1);
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(RefreshDriveSmartTest, DecodesByInterfaceAndRefusesOthersAfterTheReset) {
    PipeReply ata = AtaReply();
    PutAtaEntry(ata, 0, {9, 1234});
    PipeReply nvme = NvmeReply();
    StoreLe32(nvme.Data, test_support::nvme_offset::PowerOnHours, 5678);
    const struct {
        std::int32_t InterfaceType;
        const PipeReply* Reply;
        int Result;
        std::int32_t PowerOnHours;
        std::uint8_t SmartValid;
    } cases[] = {
        {kInterfaceSata, &ata, 0, 1234, 1},  {kInterfaceNvme, &nvme, 0, 5678, 1},
        {kInterfacePata, &ata, -1, -1, 0},   {kInterfaceUsb, &ata, -1, -1, 0},
        {kInterfaceUnknown, &ata, -1, -1, 0},
    };
    for (const auto& c : cases) {
        table[0] = RefreshedBefore(c.InterfaceType);
        service.SetReply(3, SealReply(*c.Reply));
        EXPECT_EQ(RefreshDriveSmart(table, 0, service), c.Result) << c.InterfaceType;
        EXPECT_EQ(table[0].PowerOnHours, c.PowerOnHours) << c.InterfaceType;
        EXPECT_EQ(table[0].SmartValid, c.SmartValid) << c.InterfaceType;
        EXPECT_EQ(table[0].OverTemperature, 0) << c.InterfaceType;
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(RefreshDriveSmartTest, IndexOutsideTheTableRaisesTheIndexText) {
    for (const int index : {-1, 16}) {
        try {
            (void)RefreshDriveSmart(table, index, service);
            ADD_FAILURE() << index;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "Index out of range! (operator[])");
        }
    }
    EXPECT_EQ(service.OpenCount, 0);
}

TEST(ClrSMART_Attr, ResetsTheSmartHalfButKeepsTheWarningAndIdentity) {
    DriveTable table;
    table[15] = RefreshedBefore(kInterfaceNvme);
    ClrSMART_Attr(table, 15);
    const DriveInfo& drive = table[15];
    EXPECT_EQ(drive.SmartValid, 0);
    EXPECT_EQ(drive.Healthy, 0);
    EXPECT_EQ(drive.OverTemperature, 0);
    for (const std::int32_t value : {drive.AvgEraseCount, drive.MaxEraseCount, drive.GBWritten, drive.Temperature,
                                     drive.PowerOnHours, drive.PowerCycles, drive.LifePercent}) {
        EXPECT_EQ(value, -1);
    }
    EXPECT_EQ(drive.WarningShown, 1);
    EXPECT_EQ(drive.Index, 3);
    EXPECT_EQ(drive.FirmwareRevision, "Q5RT2B1");
}

TEST(ClrSMART_Attr, IndexOutsideTheTableRaisesItsOwnText) {
    DriveTable table;
    for (const int index : {-1, 16, 1000}) {
        try {
            ClrSMART_Attr(table, index);
            ADD_FAILURE() << index;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "Index out of range! (ClrSMART_Attr)");
        }
    }
}

}  // namespace
}  // namespace velmora
