#include "common/SimulatedWmiSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DriveSet.h"
#include "common/WmiTable.h"
#include "tests/fakes/FakeWmiSource.h"

namespace velmora {
namespace {

DriveSet Parsed(const std::string& text) {
    DriveSetParseResult result = ParseDriveSet(text);
    EXPECT_TRUE(result.Ok()) << "line " << result.Line;
    return std::move(result.Set);
}

WmiVariant Cell(const WmiTable& table, int row, const char16_t* column) {
    WmiVariant value;
    EXPECT_EQ(table.GetValue(row, column, value), 0) << "row " << row;
    return value;
}

std::vector<std::u16string> ColumnNames(const WmiTable& table) {
    std::vector<std::u16string> names;
    for (const WmiVariant& column : table.Columns) names.push_back(column.TextValue());
    return names;
}

const std::string kTwoDisks =
    "[disk]\n"
    "Index=0\n"
    "DeviceID=\\\\.\\PHYSICALDRIVE0\n"
    "PNPDeviceID=SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000\n"
    "Model=VELMORA R730 SSD\n"
    "SerialNumber= 3533303030 \n"
    "FirmwareRevision=Q5RT2B1\n"
    "Size=256060514304\n"
    "BusType=11\n"
    "Active=1\n"
    "VendorSpecific=10 00 09 FF\n"
    "[disk]\n"
    "Index=second\n"
    "Model=Other disk\n"
    "InstanceName=OWN_NAME_1\n"
    "PredictFailure=1\n"
    "VendorSpecific=\n";

class SimulatedWmiSourceTest : public ::testing::Test {
protected:
    fakes::FakeWmiSource real;
};

TEST_F(SimulatedWmiSourceTest, DiskDriveHasOneRowPerDiskInFileOrder) {
    SimulatedWmiSource source(Parsed(kTwoDisks), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kCimv2Namespace, kDiskDriveClass), 0);
    EXPECT_EQ(ColumnNames(table), (std::vector<std::u16string>{u"Index", u"DeviceID", u"PNPDeviceID", u"Model",
                                                                u"SerialNumber", u"FirmwareRevision", u"Size",
                                                                u"InterfaceType"}));
    ASSERT_EQ(table.RowCount(), 2);

    EXPECT_EQ(Cell(table, 0, u"Index"), WmiVariant::Int32(0));
    EXPECT_EQ(Cell(table, 0, u"DeviceID"), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0"));
    EXPECT_EQ(Cell(table, 0, u"PNPDeviceID"), WmiVariant::Text(u"SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000"));
    EXPECT_EQ(Cell(table, 0, u"Model"), WmiVariant::Text(u"VELMORA R730 SSD"));
    EXPECT_EQ(Cell(table, 0, u"SerialNumber"), WmiVariant::Text(u" 3533303030 "));
    EXPECT_EQ(Cell(table, 0, u"FirmwareRevision"), WmiVariant::Text(u"Q5RT2B1"));
    EXPECT_EQ(Cell(table, 0, u"Size"), WmiVariant::Text(u"256060514304"));
    EXPECT_EQ(Cell(table, 0, u"InterfaceType"), WmiVariant::Text(u"IDE"));

    EXPECT_EQ(Cell(table, 1, u"Index"), WmiVariant::Text(u"second"));
    EXPECT_EQ(Cell(table, 1, u"Model"), WmiVariant::Text(u"Other disk"));
    for (const char16_t* missing : {u"DeviceID", u"PNPDeviceID", u"SerialNumber", u"FirmwareRevision", u"Size",
                                    u"InterfaceType"}) {
        EXPECT_TRUE(Cell(table, 1, missing).IsNull()) << std::string(missing, missing + 4);
    }
    EXPECT_EQ(real.ExecuteCount, 0);
}

TEST_F(SimulatedWmiSourceTest, IndexIsAnIntegerOnlyWhenItIsA32BitDecimal) {
    SimulatedWmiSource source(Parsed("[disk]\nIndex=-4\n[disk]\nIndex=4294967296\n[disk]\nIndex= 1\n[disk]\n"), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kCimv2Namespace, kDiskDriveClass), 0);
    EXPECT_EQ(Cell(table, 0, u"Index"), WmiVariant::Int32(-4));
    EXPECT_EQ(Cell(table, 1, u"Index"), WmiVariant::Text(u"4294967296"));
    EXPECT_EQ(Cell(table, 2, u"Index"), WmiVariant::Text(u" 1"));
    EXPECT_TRUE(Cell(table, 3, u"Index").IsNull());
}

TEST_F(SimulatedWmiSourceTest, InterfaceTypeNamesTheBusAsWindowsDoes) {
    const std::pair<const char*, const char16_t*> cases[] = {
        {"3", u"IDE"}, {"11", u"IDE"}, {"17", u"SCSI"}, {"7", u"USB"}, {"4", u"1394"}, {"0", u"SCSI"}};
    for (const auto& [bus, name] : cases) {
        SimulatedWmiSource source(Parsed(std::string("[disk]\nBusType=") + bus + "\n"), real);
        WmiTable table(source);
        ASSERT_EQ(table.Execute(kCimv2Namespace, kDiskDriveClass), 0);
        EXPECT_EQ(Cell(table, 0, u"InterfaceType"), WmiVariant::Text(name)) << bus;
    }
}

TEST_F(SimulatedWmiSourceTest, StatusRowsComeFromDisksWithActiveOrPredictFailure) {
    SimulatedWmiSource source(Parsed(kTwoDisks + "[disk]\nPNPDeviceID=NO_STATUS\n"), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kWmiNamespace, kPredictStatusClass), 0);
    EXPECT_EQ(ColumnNames(table), (std::vector<std::u16string>{u"InstanceName", u"Active", u"PredictFailure"}));
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(Cell(table, 0, u"InstanceName"),
              WmiVariant::Text(u"SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0"));
    EXPECT_EQ(Cell(table, 0, u"Active"), WmiVariant::Bool(true));
    EXPECT_EQ(Cell(table, 0, u"PredictFailure"), WmiVariant::Bool(false));
    EXPECT_EQ(Cell(table, 1, u"InstanceName"), WmiVariant::Text(u"OWN_NAME_1"));
    EXPECT_EQ(Cell(table, 1, u"Active"), WmiVariant::Bool(false));
    EXPECT_EQ(Cell(table, 1, u"PredictFailure"), WmiVariant::Bool(true));
    EXPECT_EQ(Cell(table, 1, u"PredictFailure").ToInt32() & 1, 1);
}

TEST_F(SimulatedWmiSourceTest, DataRowsCarryVendorSpecificAsAByteArrayFromZero) {
    SimulatedWmiSource source(Parsed(kTwoDisks), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kWmiNamespace, kPredictDataClass), 0);
    EXPECT_EQ(ColumnNames(table), (std::vector<std::u16string>{u"InstanceName", u"Active", u"VendorSpecific"}));
    ASSERT_EQ(table.RowCount(), 2);

    EXPECT_EQ(Cell(table, 0, u"Active"), WmiVariant::Bool(true));
    const WmiVariant bytes = Cell(table, 0, u"VendorSpecific");
    EXPECT_EQ(bytes.Type(), vt::Array | vt::UI1);
    EXPECT_EQ(bytes.LowerBound(), 0);
    EXPECT_EQ(bytes.UpperBound(), 3);
    EXPECT_EQ(bytes.Element(0), WmiVariant::Integer(vt::UI1, 0x10));
    EXPECT_EQ(bytes.Element(2).ToText(), u"9");
    EXPECT_EQ(bytes.Element(3).ToText(), u"255");

    EXPECT_EQ(Cell(table, 1, u"InstanceName"), WmiVariant::Text(u"OWN_NAME_1"));
    EXPECT_EQ(Cell(table, 1, u"Active"), WmiVariant::Bool(true));
    const WmiVariant empty = Cell(table, 1, u"VendorSpecific");
    EXPECT_TRUE(empty.IsArray());
    EXPECT_EQ(empty.UpperBound(), empty.LowerBound() - 1);
}

TEST_F(SimulatedWmiSourceTest, AnInstanceNameWithoutPnpIdOrOwnNameIsNull) {
    SimulatedWmiSource source(Parsed("[disk]\nActive=1\n"), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kWmiNamespace, kPredictStatusClass), 0);
    EXPECT_TRUE(Cell(table, 0, u"InstanceName").IsNull());
}

TEST_F(SimulatedWmiSourceTest, OsSectionAnswersVersionInsteadOfTheMachine) {
    real.Set(u"root\\cimv2", u"Win32_OperatingSystem", {{u"Version"}, {{WmiVariant::Text(u"6.1.7601")}}});
    SimulatedWmiSource withOs(Parsed("[os]\nVersion=10.0.19045\n"), real);
    WmiTable table(withOs);
    ASSERT_EQ(table.Execute(kCimv2Namespace, kOperatingSystemClass), 0);
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(Cell(table, 0, u"Version"), WmiVariant::Text(u"10.0.19045"));
    EXPECT_EQ(real.ExecuteCount, 0);

    SimulatedWmiSource withoutVersion(Parsed("[os]\n"), real);
    WmiTable nullVersion(withoutVersion);
    ASSERT_EQ(nullVersion.Execute(kCimv2Namespace, kOperatingSystemClass), 0);
    EXPECT_TRUE(Cell(nullVersion, 0, u"Version").IsNull());

    SimulatedWmiSource withoutOs(Parsed("[disk]\n"), real);
    WmiTable machine(withoutOs);
    ASSERT_EQ(machine.Execute(kCimv2Namespace, kOperatingSystemClass), 0);
    EXPECT_EQ(Cell(machine, 0, u"Version"), WmiVariant::Text(u"6.1.7601"));
    EXPECT_EQ(real.ExecuteCount, 1);
}

TEST_F(SimulatedWmiSourceTest, AClassWithoutRowsFailsWithNoObjectAndLeavesTheTableEmpty) {
    SimulatedWmiSource source(Parsed("[disk]\nModel=no status, no data\n"), real);
    for (const char16_t* className : {kPredictStatusClass, kPredictDataClass}) {
        WmiTable table(source);
        EXPECT_EQ(table.Execute(kWmiNamespace, className), wmi_result::NoObject);
        EXPECT_EQ(table.RowCount(), 0);
        EXPECT_EQ(table.ColumnCount(), 0);
    }
    SimulatedWmiSource noDisks(Parsed("[os]\nVersion=10.0\n"), real);
    WmiTable table(noDisks);
    EXPECT_EQ(table.Execute(kCimv2Namespace, kDiskDriveClass), wmi_result::NoObject);
    EXPECT_EQ(real.ExecuteCount, 0);
}

TEST_F(SimulatedWmiSourceTest, NamespaceAndClassMatchWithoutRegardToCase) {
    SimulatedWmiSource source(Parsed(kTwoDisks), real);
    WmiTable disks(source);
    EXPECT_EQ(disks.Execute(u"ROOT\\CIMV2", u"win32_diskdrive"), 0);
    EXPECT_EQ(disks.RowCount(), 2);
    WmiTable data(source);
    EXPECT_EQ(data.Execute(u"Root\\wmi", u"msstoragedriver_failurepredictdata"), 0);
    EXPECT_EQ(data.RowCount(), 2);
    EXPECT_EQ(real.ExecuteCount, 0);
}

TEST_F(SimulatedWmiSourceTest, EveryOtherQueryGoesToTheMachine) {
    real.Set(u"root\\cimv2", u"Win32_Processor", {{u"Name"}, {{WmiVariant::Text(u"cpu")}}});
    SimulatedWmiSource source(Parsed(kTwoDisks), real);
    WmiTable other(source);
    EXPECT_EQ(other.Execute(u"root\\cimv2", u"Win32_Processor"), 0);
    EXPECT_EQ(Cell(other, 0, u"Name"), WmiVariant::Text(u"cpu"));
    // The set's classes live in their own namespaces only.
    WmiTable wrongNamespace(source);
    EXPECT_EQ(wrongNamespace.Execute(u"root\\WMI", u"Win32_DiskDrive"), wmi_result::NoObject);
    WmiTable prefix(source);
    EXPECT_EQ(prefix.Execute(u"root\\cimv2", u"Win32_DiskDrives"), wmi_result::NoObject);
    EXPECT_EQ(real.ExecuteCount, 3);
}

TEST_F(SimulatedWmiSourceTest, ABrokenSetFailsItsFourClassesAndStillPassesOthersOn) {
    real.Set(u"root\\cimv2", u"Win32_OperatingSystem", {{u"Version"}, {{WmiVariant::Text(u"6.1.7601")}}});
    real.Set(u"root\\cimv2", u"Win32_DiskDrive", {{u"Index"}, {{WmiVariant::Int32(0)}}});
    real.Set(u"root\\cimv2", u"Win32_Processor", {{u"Name"}, {{WmiVariant::Text(u"cpu")}}});
    DriveSet broken;
    broken.Broken = true;
    SimulatedWmiSource source(broken, real);
    const std::pair<const char16_t*, const char16_t*> fourClasses[] = {
        {kCimv2Namespace, kDiskDriveClass},
        {kCimv2Namespace, kOperatingSystemClass},
        {kWmiNamespace, kPredictStatusClass},
        {kWmiNamespace, kPredictDataClass},
    };
    for (const auto& [nameSpace, className] : fourClasses) {
        WmiTable table(source);
        EXPECT_EQ(table.Execute(nameSpace, className), wmi_result::NoObject);
        EXPECT_EQ(table.RowCount(), 0);
    }
    EXPECT_EQ(real.ExecuteCount, 0);
    WmiTable other(source);
    EXPECT_EQ(other.Execute(u"root\\cimv2", u"Win32_Processor"), 0);
    EXPECT_EQ(real.ExecuteCount, 1);
}

TEST_F(SimulatedWmiSourceTest, TextCellsComeFromTheSystemCodePage) {
    SimulatedWmiSource source(Parsed("[disk]\nModel=Disque \xE9t\xE9\n"), real);
    WmiTable table(source);
    ASSERT_EQ(table.Execute(kCimv2Namespace, kDiskDriveClass), 0);
    EXPECT_EQ(Cell(table, 0, u"Model"), WmiVariant::Text(u"Disque \u00E9t\u00E9"));
}

}  // namespace
}  // namespace velmora
