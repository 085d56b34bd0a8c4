#include "drives/DriveEnumeration.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "common/PipeRecords.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::BuildDescriptor;
using fakes::FakeClass;

TEST(IsMakersDrive, NeedsAModelTokenAndAFirmwareTokenAnywhereInAnyCase) {
    struct Case {
        const char* model;
        const char* firmware;
        bool expected;
    };
    const Case cases[] = {
        {"VELMORA R730 SSD", "Q5RT2B1", true},
        {"VELMORA R730 SSD", "X1AB", false},
        {"Kestrin 256GB", "Q3RT01", true},            // model upper-cased before the search
        {"Some Disk", "q3rt01", false},               // a firmware token alone is not enough
        {"ACME LP630 120GB", "q3rt01", true},         // firmware upper-cased too
        {"Vendor KTY_QMNVX_M56D", "N2RT10", true},    // token after a vendor prefix
        {"qmnvz_h880l", "xxQDRTxx", true},
        {"ACME W38", "QCRT", true},
        {"ACME W3", "QCRT", false},
        {"", "Q5RT", false},
        {"VELMORA", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsMakersDrive(c.model, c.firmware), c.expected) << c.model << " / " << c.firmware;
    }
}

TEST(IsMakersDrive, EveryTokenOfBothTablesIsRecognised) {
    for (auto model : kModelTokens) EXPECT_TRUE(IsMakersDrive(std::string(model), "Q5RT")) << model;
    for (auto firmware : kFirmwareTokens) EXPECT_TRUE(IsMakersDrive("VELMORA", std::string(firmware))) << firmware;
}

TEST(CapacityGBFromSize, DividesByAThousandThriceAndKeepsTheLow32Bits) {
    struct Case {
        const char* size;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"256060514304", 256},
        {"999999999", 0},
        {"1000000000", 1},
        {"abc", 0},
        {"", 0},
        {"12 GB", 0},
        {"99999999999999999999", 0},  // beyond 64 bits: a parse error
        {"-5000000000", -5},
        {"9223372036854775807", static_cast<std::int32_t>(9223372036ULL & 0xFFFFFFFFULL)},
    };
    for (const auto& c : cases) EXPECT_EQ(CapacityGBFromSize(c.size), c.expected) << c.size;
}

TEST(InterfaceTypeFromFamily, SataFamiliesNvmeFamilyAndTheRest) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"Q3", kInterfaceSata}, {"Q5", kInterfaceSata}, {"QC", kInterfaceSata}, {"QD", kInterfaceSata},
        {"N2", kInterfaceNvme}, {"n2", kInterfaceUnknown}, {"Q4", kInterfaceUnknown}, {"", kInterfaceUnknown},
    };
    for (auto [family, expected] : cases) EXPECT_EQ(InterfaceTypeFromFamily(family), expected) << family;
}

// The values of one Win32_DiskDrive row, a maker's drive unless changed.
struct DiskRow {
    WmiVariant Index = WmiVariant::Int32(0);
    WmiVariant DeviceID = WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0");
    WmiVariant PNPDeviceID = WmiVariant::Text(u"SCSI\\DISK&VEN_&PROD_VELMORA\\4&1");
    WmiVariant Model = WmiVariant::Text(u"VELMORA R730 SSD");
    WmiVariant SerialNumber = WmiVariant::Text(u"AB12CD34");
    WmiVariant FirmwareRevision = WmiVariant::Text(u"Q5RT2B1");
    WmiVariant Size = WmiVariant::Text(u"256060514304");
};

DiskRow MakersDrive(int index) {
    DiskRow row;
    row.Index = WmiVariant::Int32(index);
    const std::string device = "\\\\.\\PHYSICALDRIVE" + std::to_string(index);
    row.DeviceID = WmiVariant::Text(AnsiToUtf16(device));
    row.PNPDeviceID = WmiVariant::Text(AnsiToUtf16("PNP" + std::to_string(index)));
    return row;
}

DiskRow OtherDrive(int index) {
    DiskRow row = MakersDrive(index);
    row.Model = WmiVariant::Text(u"Other Disk Drive");
    row.SerialNumber = WmiVariant::Text(u"OTHERSERIAL");
    row.FirmwareRevision = WmiVariant::Text(u"X1AB");
    return row;
}

struct EnumerationTest : ::testing::Test {
    void SetRows(const std::vector<DiskRow>& rows, std::vector<std::u16string> columns = {}) {
        FakeClass answer;
        answer.Columns = columns.empty() ? std::vector<std::u16string>{u"Index", u"DeviceID", u"PNPDeviceID", u"Model",
                                                                      u"SerialNumber", u"FirmwareRevision", u"Size"}
                                         : std::move(columns);
        for (const auto& r : rows) {
            std::vector<WmiVariant> cells{r.Index, r.DeviceID, r.PNPDeviceID, r.Model, r.SerialNumber,
                                          r.FirmwareRevision, r.Size};
            cells.resize(answer.Columns.size());
            answer.Rows.push_back(std::move(cells));
        }
        wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", std::move(answer));
    }
    int Enumerate(std::string_view prefix = "10.") { return EnumerateDrives(table, wmi, io, prefix); }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource wmi;
    fakes::FakeDeviceIo io;
    DriveTable table;
};

TEST_F(EnumerationTest, AcceptsTheMakersDriveAndFillsItsIdentity) {
    io.OpenError = 2;  // no descriptor: the WMI values stand
    SetRows({OtherDrive(0), MakersDrive(1)});
    ASSERT_EQ(Enumerate(), 0);
    ASSERT_EQ(table.DiskCount(), 1);
    const DriveInfo& drive = table[0];
    EXPECT_EQ(drive.Index, 1);
    EXPECT_EQ(drive.DeviceID, "\\\\.\\PHYSICALDRIVE1");
    EXPECT_EQ(drive.PNPDeviceID, "PNP1");
    EXPECT_EQ(drive.Model, "VELMORA R730 SSD");
    EXPECT_EQ(drive.SerialNumber, "AB12CD34");
    EXPECT_EQ(drive.FirmwareRevision, "Q5RT2B1");
    EXPECT_EQ(drive.CapacityGB, 256);
    EXPECT_EQ(drive.InterfaceType, kInterfaceSata);  // from the family "Q5"
    EXPECT_TRUE(events.Entries.empty());
    EXPECT_EQ(io.OpenedPaths, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE0", "\\\\.\\PHYSICALDRIVE1"}));
}

TEST_F(EnumerationTest, TextsAreDecodedTrimmedAndCut) {
    io.OpenError = 2;
    struct Case {
        const char* name;
        std::u16string serial;
        std::u16string firmware;
        std::u16string model;
        std::string prefix;
        std::string expectedSerial;
        std::string expectedFirmware;
        std::string expectedModel;
    };
    const std::u16string longModel = u"  VELMORA R730 SSD 256GB with a very long model text";
    const Case cases[] = {
        {"hex serial", u" 3533 3030 ", u"Q5RT2B1", u"VELMORA", "10.", "5300", "Q5RT2B1", "VELMORA"},
        {"serial pairs swapped on 6.1", u"AB12CD", u"Q5RT2B1", u"VELMORA", "6.1", "BA21DC", "Q5RT2B1", "VELMORA"},
        {"odd serial swapped on 6.1", u"AB12C", u"Q5RT2B1", u"VELMORA", "6.1", "BA21C", "Q5RT2B1", "VELMORA"},
        {"serial cut to 20", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", u"Q5RT2B1", u"VELMORA", "10.", "ABCDEFGHIJKLMNOPQRST",
         "Q5RT2B1", "VELMORA"},
        {"firmware trimmed and cut to 8", u"S", u"  Q5RT2B1XYZ ", u"VELMORA", "10.", "S", "Q5RT2B1X", "VELMORA"},
        {"model cut to 40 untrimmed", u"S", u"Q5RT2B1", longModel, "10.", "S", "Q5RT2B1",
         Utf16ToAnsi(longModel.substr(0, 40))},
    };
    for (const auto& c : cases) {
        DiskRow row = MakersDrive(0);
        row.SerialNumber = WmiVariant::Text(c.serial);
        row.FirmwareRevision = WmiVariant::Text(c.firmware);
        row.Model = WmiVariant::Text(c.model);
        SetRows({row});
        table = DriveTable{};
        ASSERT_EQ(Enumerate(c.prefix), 0) << c.name;
        ASSERT_EQ(table.DiskCount(), 1) << c.name;
        EXPECT_EQ(table[0].SerialNumber, c.expectedSerial) << c.name;
        EXPECT_EQ(table[0].FirmwareRevision, c.expectedFirmware) << c.name;
        EXPECT_EQ(table[0].Model, c.expectedModel) << c.name;
    }
}

TEST_F(EnumerationTest, DescriptorCompletesTheIdentityAndItsBusTypeBeatsTheFamily) {
    struct Case {
        const char* name;
        std::int32_t busType;
        const char* firmware;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"SATA bus on an NVMe family", 11, "N2RT10", kInterfaceSata},
        {"NVMe bus on a SATA family", 17, "Q5RT2B1", kInterfaceNvme},
        {"iSCSI bus: the family decides", 9, "N2RT10", kInterfaceNvme},
    };
    for (const auto& c : cases) {
        DiskRow row = MakersDrive(0);
        row.FirmwareRevision = WmiVariant::Text(u"unknown");  // the descriptor supplies the revision
        SetRows({row});
        io.Output = BuildDescriptor({"VELMORA R730 SSD", c.firmware, "DESC1234", c.busType});
        table = DriveTable{};
        ASSERT_EQ(Enumerate(), 0) << c.name;
        ASSERT_EQ(table.DiskCount(), 1) << c.name;
        EXPECT_EQ(table[0].InterfaceType, c.expected) << c.name;
        EXPECT_EQ(table[0].FirmwareRevision, c.firmware) << c.name;
        EXPECT_EQ(table[0].SerialNumber, "DESC1234") << c.name;
    }
}

TEST_F(EnumerationTest, UnknownFamilyWithoutBusTypeLeavesTheInterfaceUnknown) {
    io.OpenError = 2;
    DiskRow row = MakersDrive(0);
    row.FirmwareRevision = WmiVariant::Text(u"XQ5RT");  // holds a token, family "XQ"
    SetRows({row});
    ASSERT_EQ(Enumerate(), 0);
    ASSERT_EQ(table.DiskCount(), 1);
    EXPECT_EQ(table[0].InterfaceType, kInterfaceUnknown);
}

TEST_F(EnumerationTest, SeventeenMatchingDrivesFillSixteenEntriesInWmiOrder) {
    io.OpenError = 2;
    std::vector<DiskRow> rows;
    for (int i = 0; i < 17; ++i) rows.push_back(MakersDrive(i));
    SetRows(rows);
    ASSERT_EQ(Enumerate(), 0);
    EXPECT_EQ(table.DiskCount(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(table[i].Index, i);
    EXPECT_EQ(io.OpenedPaths.size(), 16u);  // the seventeenth row is not even read
}

TEST_F(EnumerationTest, RejectedCandidateIsOverwrittenAndOnlyItsTextsRemainBeyondTheCount) {
    io.OpenError = 2;
    SetRows({OtherDrive(0), MakersDrive(1), OtherDrive(2)});
    ASSERT_EQ(Enumerate(), 0);
    ASSERT_EQ(table.DiskCount(), 1);
    EXPECT_EQ(table[0].Model, "VELMORA R730 SSD");
    EXPECT_EQ(table[0].PNPDeviceID, "PNP1");
    // The last rejected candidate stays in the first unused entry.
    EXPECT_EQ(table[1].Model, "Other Disk Drive");
    EXPECT_EQ(table[1].SerialNumber, "OTHERSERIAL");
}

TEST_F(EnumerationTest, UnreadableSerialAndFirmwareOfANewCandidateAreEmptiedFirst) {
    io.OpenError = 2;
    DiskRow second = MakersDrive(1);
    second.SerialNumber = WmiVariant::Null();
    second.FirmwareRevision = WmiVariant::Int32(5);
    DiskRow wrongSize = MakersDrive(0);
    wrongSize.Size = WmiVariant::Null();  // a maker's drive skipped for its Size type
    SetRows({wrongSize, second});
    ASSERT_EQ(Enumerate(), 0);
    EXPECT_EQ(table.DiskCount(), 0);  // the second has no firmware token left
    EXPECT_EQ(table[0].Index, 1);
    EXPECT_EQ(table[0].SerialNumber, "");
    EXPECT_EQ(table[0].FirmwareRevision, "");
}

TEST_F(EnumerationTest, RowsWithWrongTypesAreSkippedSilently) {
    io.OpenError = 2;
    struct Case {
        const char* name;
        void (*spoil)(DiskRow&);
    };
    const Case cases[] = {
        {"Index as text", [](DiskRow& r) { r.Index = WmiVariant::Text(u"0"); }},
        {"Index as 64-bit", [](DiskRow& r) { r.Index = WmiVariant::Integer(vt::I8, 0); }},
        {"DeviceID null", [](DiskRow& r) { r.DeviceID = WmiVariant::Null(); }},
        {"PNPDeviceID number", [](DiskRow& r) { r.PNPDeviceID = WmiVariant::Int32(1); }},
        {"Model null", [](DiskRow& r) { r.Model = WmiVariant::Null(); }},
        {"Size as number", [](DiskRow& r) { r.Size = WmiVariant::Integer(vt::UI8, 256060514304); }},
    };
    for (const auto& c : cases) {
        DiskRow spoiled = MakersDrive(0);
        c.spoil(spoiled);
        SetRows({spoiled, MakersDrive(1)});
        table = DriveTable{};
        ASSERT_EQ(Enumerate(), 0) << c.name;
        ASSERT_EQ(table.DiskCount(), 1) << c.name;
        EXPECT_EQ(table[0].Index, 1) << c.name;
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(EnumerationTest, NoMakersDriveIsASuccessWithAnEmptyTable) {
    io.OpenError = 2;
    SetRows({OtherDrive(0), OtherDrive(1)});
    EXPECT_EQ(Enumerate(), 0);
    EXPECT_EQ(table.DiskCount(), 0);
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(EnumerationTest, APropertySpelledInAnotherCaseIsAFailedRead) {
    io.OpenError = 2;
    // Wine names the column "DeviceId": the exact lookup misses it.
    SetRows({MakersDrive(3)},
            {u"Index", u"DeviceId", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"});
    EXPECT_EQ(Enumerate(), -1);
    EXPECT_EQ(table.DiskCount(), 0);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE smart LINE 63 CODE -1"}));
}

TEST_F(EnumerationTest, QueryFailureAndNoRowsAreReported) {
    FakeClass failing;
    failing.Result = -3;
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", failing);
    EXPECT_EQ(Enumerate(), -1);
    FakeClass empty;
    empty.Columns = {u"Index"};
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", empty);  // the fake answers "no object" for no rows
    EXPECT_EQ(Enumerate(), -1);
    EXPECT_EQ(events.Entries,
              (std::vector<std::string>{"FILE smart LINE 27 CODE -3", "FILE smart LINE 27 CODE -5"}));
}

// A source whose answer has a header but no rows, which the layer allows.
class RowlessSource final : public WmiSource {
public:
    int Execute(std::u16string_view, std::u16string_view, WmiTable& table) override {
        table.AddColumn(WmiVariant::Text(u"Index"));
        return 0;
    }
};

TEST_F(EnumerationTest, AnAnswerWithoutRowsIsReportedWithTheCount) {
    RowlessSource rowless;
    EXPECT_EQ(EnumerateDrives(table, rowless, io, "10."), -1);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE smart LINE 33 CODE 0"}));
}

TEST_F(EnumerationTest, AMissingPropertyEndsTheEnumerationWithItsLine) {
    io.OpenError = 2;
    struct Case {
        const char* missing;
        const char* entry;
    };
    const Case cases[] = {
        {"Index", "FILE smart LINE 45 CODE -1"},       {"DeviceID", "FILE smart LINE 63 CODE -1"},
        {"PNPDeviceID", "FILE smart LINE 73 CODE -1"}, {"Model", "FILE smart LINE 84 CODE -1"},
        {"Size", "FILE smart LINE 126 CODE -1"},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> columns;
        for (auto name : {u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision",
                          u"Size"}) {
            columns.emplace_back(std::u16string(name) == AnsiToUtf16(c.missing) ? u"Renamed" : name);
        }
        SetRows({MakersDrive(0), MakersDrive(1)}, columns);
        table = DriveTable{};
        events.Entries.clear();
        EXPECT_EQ(Enumerate(), -1) << c.missing;
        EXPECT_EQ(events.Entries, (std::vector<std::string>{c.entry})) << c.missing;
        EXPECT_EQ(table.DiskCount(), 0) << c.missing;
    }
}

TEST_F(EnumerationTest, MissingSerialOrFirmwarePropertiesAreNotReported) {
    io.OpenError = 2;
    SetRows({MakersDrive(0)}, {u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"X1", u"X2", u"Size"});
    EXPECT_EQ(Enumerate(), 0);
    EXPECT_EQ(table.DiskCount(), 0);  // no firmware, no token
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(EnumerationTest, DrivesAcceptedBeforeAFailureStayCounted) {
    io.OpenError = 2;
    // The second row ends after DeviceID, so its PNPDeviceID cannot be read.
    FakeClass answer;
    answer.Columns = {u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"};
    const DiskRow first = MakersDrive(0);
    answer.Rows.push_back({first.Index, first.DeviceID, first.PNPDeviceID, first.Model, first.SerialNumber,
                           first.FirmwareRevision, first.Size});
    answer.Rows.push_back({WmiVariant::Int32(1), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE1")});
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", answer);
    EXPECT_EQ(Enumerate(), -1);
    EXPECT_EQ(table.DiskCount(), 1);
    EXPECT_EQ(table[0].Index, 0);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE smart LINE 73 CODE -1"}));
}

}  // namespace
}  // namespace velmora
