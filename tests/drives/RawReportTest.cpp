#include "drives/RawReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/StorageDescriptorDecode.h"
#include "tests/drives/PipeReplies.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDevicesByPath.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using Lines = std::vector<std::string>;
using test_support::AtaReply;
using test_support::NvmeReply;
using test_support::PutAtaEntry;

const std::vector<std::u16string> kDiskColumns = {u"Index", u"DeviceID", u"PNPDeviceID", u"Model",
                                                  u"SerialNumber", u"FirmwareRevision", u"Size"};

std::u16string DevicePath(int index) { return u"\\\\.\\PHYSICALDRIVE" + std::u16string(1, char16_t(u'0' + index)); }

std::vector<WmiVariant> DiskRow(int index, std::u16string model, WmiVariant serial, WmiVariant firmware,
                                WmiVariant size) {
    return {WmiVariant::Int32(index),
            WmiVariant::Text(DevicePath(index)),
            WmiVariant::Text(u"SCSI\\DISK&VEN_X\\4&" + std::u16string(1, char16_t(u'0' + index))),
            WmiVariant::Text(std::move(model)),
            std::move(serial),
            std::move(firmware),
            std::move(size)};
}

class RawReportTest : public ::testing::Test {
protected:
    void SetDisks(std::vector<std::vector<WmiVariant>> rows) {
        wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", {kDiskColumns, std::move(rows), 0});
    }
    void SetBus(int index, std::int32_t busType) {
        const std::u16string path = DevicePath(index);
        devices.Descriptors[std::string(path.begin(), path.end())] = fakes::BuildDescriptor({{}, {}, {}, busType});
    }
    RawReport Build(std::string_view prefix = "10.") { return CollectRawReport(wmi, devices, service, prefix); }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource wmi;
    fakes::FakeDevicesByPath devices;
    fakes::FakeSmartService service;
};

TEST_F(RawReportTest, AtaAttributeIsListedAsTabSeparatedLowerCaseHex) {
    SetDisks({DiskRow(0, u"VELMORA R730 SSD", WmiVariant::Text(u"SN01"), WmiVariant::Text(u"Q5RT2B1"),
                      WmiVariant::Text(u"256060514304"))});
    SetBus(0, bus_type::Sata);
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 0, {9, 0x00000539, 0x0032, 100, 100, 0});
    PutAtaEntry(reply, 1, {0xC2, 0x1A2B3C4D, 0x0022, 0x1E, 0x0F, 0xEF5566});
    service.SetReply(0, SealReply(reply));

    const RawReport report = Build();
    EXPECT_EQ(report.Result, 0);
    EXPECT_EQ(report.Lines, (Lines{"Model: VELMORA R730 SSD", "Serial number: SN01", "Firmware: Q5RT2B1", "Size: 256GB",
                                   "Interface: SATA", "SMART attributes:", "Number\tFlag\tValue\tWorst\tRAW",
                                   "09\t0032\t64\t64\t0000000000000539", "c2\t0022\t1e\t0f\t00ef55661a2b3c4d", "",
                                   ""}));
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(RawReportTest, AtaTableSkipsEmptyIdsAndRunsTo42EntriesOf512Bytes) {
    SetDisks({DiskRow(0, u"Old PATA disk", WmiVariant::Text(u"SN"), WmiVariant::Text(u"1.0"), WmiVariant::Text(u"0"))});
    SetBus(0, bus_type::Ata);
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 2, {5, 1});
    PutAtaEntry(reply, 41, {0xAA, 2});  // past the standard table, inside the block
    PutAtaEntry(reply, 42, {0xBB, 3});  // past DataLength
    service.SetReply(0, SealReply(reply));

    const Lines lines = Build().Lines;
    ASSERT_EQ(lines.size(), 5u + 2u + 2u + 2u);
    EXPECT_EQ(lines[4], "Interface: PATA");
    EXPECT_EQ(lines[7], "05\t0032\t64\t64\t0000000000000001");
    EXPECT_EQ(lines[8], "aa\t0032\t64\t64\t0000000000000002");
}

TEST_F(RawReportTest, NvmeLogIsDumpedInLinesOf16Bytes) {
    const struct {
        std::int32_t DataLength;
        std::size_t DumpLines;
        std::string LastLine;
    } cases[] = {
        {512, 32, "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"},
        {100, 7, "60616263"},
        {16, 1, "000102030405060708090a0b0c0d0e0f"},
        {1, 1, "00"},
        {100000, 256, "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"},  // held to the 4096 bytes of Data
    };
    for (const auto& c : cases) {
        SetDisks({DiskRow(0, u"Other NVMe", WmiVariant::Null(), WmiVariant::Text(u"1.0"),
                          WmiVariant::Text(u"512110190592"))});
        SetBus(0, bus_type::Nvme);
        PipeReply reply = NvmeReply();
        reply.DataLength = c.DataLength;
        for (std::size_t i = 0; i < reply.Data.size(); ++i) reply.Data[i] = static_cast<std::uint8_t>(i);
        service.SetReply(0, SealReply(reply));

        const Lines lines = Build().Lines;
        ASSERT_EQ(lines.size(), 5u + 1u + c.DumpLines + 2u) << c.DataLength;
        EXPECT_EQ(lines[4], "Interface: NVMe");
        EXPECT_EQ(lines[5], "SMART attributes:");
        if (c.DataLength >= 4) {
            EXPECT_EQ(lines[6].substr(0, 8), "00010203");
        }
        for (std::size_t i = 6; i + 1 < 6 + c.DumpLines; ++i) EXPECT_EQ(lines[i].size(), 32u) << c.DataLength;
        EXPECT_EQ(lines[5 + c.DumpLines], c.LastLine) << c.DataLength;
    }
}

TEST_F(RawReportTest, MixedMachineListsEveryDiskInWmiOrder) {
    SetDisks({
        DiskRow(0, u"VELMORA R730 SSD", WmiVariant::Text(u" 3533 3030 "), WmiVariant::Text(u" Q5RT2B1  "),
                WmiVariant::Text(u"256060514304")),
        DiskRow(1, u"Kestrel NV1", WmiVariant::Null(), WmiVariant::Text(u"1.0"), WmiVariant::Text(u"512110190592")),
        DiskRow(2, u"Card Reader", WmiVariant::Text(u"CR1"), WmiVariant::Text(u"1.0"), WmiVariant::Null()),
        DiskRow(3, u"SanStick", WmiVariant::Null(), WmiVariant::Text(u"1.00"), WmiVariant::Text(u"16008609792")),
    });
    SetBus(0, bus_type::Sata);
    SetBus(1, bus_type::Nvme);
    SetBus(3, bus_type::Usb);
    PipeReply ata = AtaReply();
    PutAtaEntry(ata, 0, {12, 7});
    PipeReply nvme = NvmeReply();
    nvme.DataLength = 20;
    service.SetReply(0, SealReply(ata));
    service.SetReply(1, SealReply(nvme));
    service.SetReply(3, SealReply(ata));

    const RawReport report = Build();
    EXPECT_EQ(report.Result, 0);
    EXPECT_EQ(report.Lines, (Lines{
                                "Model: VELMORA R730 SSD", "Serial number: 5300", "Firmware: Q5RT2B1", "Size: 256GB",
                                "Interface: SATA", "SMART attributes:", "Number\tFlag\tValue\tWorst\tRAW",
                                "0c\t0032\t64\t64\t0000000000000007", "", "",
                                "Model: Kestrel NV1", "Serial number: ", "Firmware: 1.0", "Size: 512GB",
                                "Interface: NVMe", "SMART attributes:", "002c0100000000000000000000000000", "00000000", "", "",
                                "Model: SanStick", "Serial number: ", "Firmware: 1.00", "Size: 16GB",
                                "Interface: USB", "", "",
                            }));
    // The service was asked for every listed disk, the USB stick included.
    ASSERT_EQ(service.Requests.size(), 3u);
    EXPECT_EQ(service.Requests[2].DriveNumber, 3);
    EXPECT_EQ(service.Requests[2].InterfaceType, kInterfaceUsb);
}

TEST_F(RawReportTest, RowsOfTheWrongTypeLeaveNoTrace) {
    auto badIndex = DiskRow(0, u"A", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
    badIndex[0] = WmiVariant::Text(u"0");
    auto badDevice = DiskRow(1, u"B", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
    badDevice[1] = WmiVariant::Null();
    auto badPnp = DiskRow(2, u"C", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
    badPnp[2] = WmiVariant::Int32(5);
    auto badModel = DiskRow(3, u"D", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
    badModel[3] = WmiVariant::Null();
    auto good = DiskRow(4, u"E", WmiVariant::Int32(12), WmiVariant::Int32(3), WmiVariant::Text(u"2000000000"));
    SetDisks({badIndex, badDevice, badPnp, badModel, good});

    const RawReport report = Build();
    EXPECT_EQ(report.Result, 0);
    EXPECT_EQ(report.Lines, (Lines{"Model: E", "Serial number: ", "Firmware: ", "Size: 2GB", "Interface: UNKNOWN",
                                   "", ""}));
    EXPECT_EQ(service.Requests.size(), 1u);
}

TEST_F(RawReportTest, IdentityTextsAreCutAndTheWmiSerialIsNeverPairSwapped) {
    SetDisks({DiskRow(0, u"  VELMORA R730 SSD with a very long model name here", WmiVariant::Text(u"AB12CD"),
                      WmiVariant::Text(u"  Q5RT2B1-EXTRA"), WmiVariant::Text(u"not a number"))});
    const Lines lines = Build("6.1").Lines;
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Model:   VELMORA R730 SSD with a very long mode");
    EXPECT_EQ(lines[1], "Serial number: AB12CD");
    EXPECT_EQ(lines[2], "Firmware: Q5RT2B1-");
    EXPECT_EQ(lines[3], "Size: 0GB");
}

TEST_F(RawReportTest, UnrecognisedBusIsUnknownWithoutFamilyFallbackAndGetsNoSmartSection) {
    SetDisks({DiskRow(0, u"VELMORA R730 SSD", WmiVariant::Null(), WmiVariant::Text(u"Q5RT2B1"),
                      WmiVariant::Text(u"256060514304"))});
    SetBus(0, 9);  // iSCSI
    service.SetReply(0, SealReply(AtaReply()));
    const Lines lines = Build().Lines;
    EXPECT_EQ(lines, (Lines{"Model: VELMORA R730 SSD", "Serial number: ", "Firmware: Q5RT2B1", "Size: 256GB",
                            "Interface: UNKNOWN", "", ""}));
}

TEST_F(RawReportTest, ReplyWithoutDataOrWithBadLengthHasNoSmartSection) {
    for (const std::int32_t dataValid : {0, 1}) {
        for (const std::int32_t dataLength : {0, -1, 512}) {
            if (dataValid == 1 && dataLength == 512) continue;
            SetDisks({DiskRow(0, u"X", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"))});
            SetBus(0, bus_type::Sata);
            PipeReply reply = AtaReply();
            reply.DataValid = dataValid;
            reply.DataLength = dataLength;
            PutAtaEntry(reply, 0, {9, 1});
            service.SetReply(0, SealReply(reply));
            EXPECT_EQ(Build().Lines.size(), 7u) << dataValid << " " << dataLength;
        }
    }
}

TEST_F(RawReportTest, ServiceNotRunningGivesIdentityOnlyAndOneClientReportPerDisk) {
    SetDisks({DiskRow(0, u"X", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000")),
              DiskRow(1, u"Y", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"))});
    SetBus(0, bus_type::Sata);
    SetBus(1, bus_type::Nvme);
    service.OpenError = 2;

    const RawReport report = Build();
    EXPECT_EQ(report.Result, 0);
    EXPECT_EQ(report.Lines.size(), 14u);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE pipe LINE 38 CODE 2", "FILE pipe LINE 38 CODE 2"}));
}

TEST_F(RawReportTest, ShortReplyIsNotListed) {
    SetDisks({DiskRow(0, u"X", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"))});
    SetBus(0, bus_type::Sata);
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 0, {9, 1});
    const ReplyBytes whole = SealReply(reply);
    service.Replies[0].assign(whole.begin(), whole.begin() + 100);

    EXPECT_EQ(Build().Lines.size(), 7u);
    ASSERT_EQ(events.Entries.size(), 1u);
    EXPECT_EQ(events.Entries[0].rfind("FILE pipe LINE 96 ", 0), 0u);
}

TEST_F(RawReportTest, ChecksumIsNotExamined) {
    SetDisks({DiskRow(0, u"X", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"))});
    SetBus(0, bus_type::Sata);
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 0, {9, 1});
    ReplyBytes bytes = SealReply(reply);
    bytes[PIPE_REPLY_SIZE - 1] ^= 0xFF;
    service.SetReply(0, bytes);
    EXPECT_EQ(Build().Lines.size(), 10u);
}

class EmptyAnswer final : public WmiSource {
public:
    int Execute(std::u16string_view, std::u16string_view, WmiTable&) override { return 0; }
};

TEST(RawReportFailures, QueryFailureAndEmptyAnswerAreReportedAndStop) {
    fakes::RecordingEventSink events;
    fakes::FakeDevicesByPath devices;
    fakes::FakeSmartService service;
    fakes::FakeWmiSource failing;
    failing.Set(u"root\\cimv2", u"Win32_DiskDrive", {kDiskColumns, {}, wmi_result::QueryFailed});
    EmptyAnswer empty;

    const RawReport failed = CollectRawReport(failing, devices, service, "10.");
    EXPECT_EQ(failed.Result, -1);
    EXPECT_TRUE(failed.Lines.empty());
    const RawReport none = CollectRawReport(empty, devices, service, "10.");
    EXPECT_EQ(none.Result, -1);
    EXPECT_TRUE(none.Lines.empty());
    EXPECT_EQ(events.Entries,
              (std::vector<std::string>{"FILE URawSMART LINE 58 CODE -3", "FILE URawSMART LINE 64 CODE 0"}));
    EXPECT_EQ(service.OpenCount, 0);
}

TEST_F(RawReportTest, ReadFailureStopsTheReportAndKeepsTheLinesBeforeIt) {
    const auto full = DiskRow(0, u"First", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
    const struct {
        std::size_t CellsKept;
        std::string Entry;
    } cases[] = {
        {0, "FILE URawSMART LINE 73 CODE -1"},  {1, "FILE URawSMART LINE 92 CODE -1"},
        {2, "FILE URawSMART LINE 102 CODE -1"}, {3, "FILE URawSMART LINE 113 CODE -1"},
        {6, "FILE URawSMART LINE 136 CODE -1"},
    };
    service.SetReply(0, SealReply(PipeReply{}));  // answers without data
    for (const auto& c : cases) {
        events.Entries.clear();
        auto cut = DiskRow(1, u"Second", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
        cut.resize(c.CellsKept);
        auto after = DiskRow(2, u"Third", WmiVariant::Null(), WmiVariant::Null(), WmiVariant::Text(u"1000000000"));
        SetDisks({full, cut, after});

        const RawReport report = Build();
        EXPECT_EQ(report.Result, -1) << c.Entry;
        EXPECT_EQ(report.Lines.size(), 7u) << c.Entry;
        EXPECT_EQ(report.Lines.front(), "Model: First") << c.Entry;
        EXPECT_EQ(events.Entries, std::vector<std::string>{c.Entry});
    }
}

TEST(RawReportFileBytes, EndsEveryLineWithCrLf) {
    EXPECT_EQ(RawReportFileBytes({}), "");
    EXPECT_EQ(RawReportFileBytes({"Model: X", "", "a\tb"}), "Model: X\r\n\r\na\tb\r\n");
    EXPECT_EQ(RawReportFileBytes({"caf\xE9"}), "caf\xE9\r\n");  // code page bytes kept as they are
}

TEST(InterfaceText, NamesTheFourInterfacesAndUnknownForTheRest) {
    const struct {
        std::int32_t Type;
        const char* Text;
    } cases[] = {{1, "SATA"}, {2, "NVMe"}, {3, "PATA"}, {4, "USB"}, {0, "UNKNOWN"}, {5, "UNKNOWN"}, {-1, "UNKNOWN"}};
    for (const auto& c : cases) EXPECT_EQ(InterfaceText(c.Type), c.Text) << c.Type;
}

}  // namespace
}  // namespace velmora
