#include "drives/StorageDescriptorDecode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/PipeRecords.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDeviceIo.h"

namespace velmora {
namespace {

using fakes::BuildDescriptor;
using fakes::DescriptorFields;

// A buffer with a few header bytes and the text at offset 8, terminated
// unless told otherwise.
std::vector<std::uint8_t> TextAt8(const std::string& text, bool terminated = true) {
    std::vector<std::uint8_t> bytes(8, 0xEE);
    bytes.insert(bytes.end(), text.begin(), text.end());
    if (terminated) bytes.push_back(0);
    return bytes;
}

TEST(DecodeDescriptorString, DecodesHexWhenItReadsAsPrintableAndFallsBackToText) {
    struct Case {
        const char* name;
        std::string text;
        int maxLength;
        std::string expected;
    };
    const Case cases[] = {
        {"hex pairs", "3533303030", 20, "53000"},
        {"upper-case hex digits", "4A4B", 20, "JK"},
        {"blanks count as zero digits and end the text", "3531  3232", 20, "51"},
        {"blanks only decode to nothing", "                    ", 20, ""},
        {"odd last digit dropped", "31323", 20, "12"},
        {"hex read stops after twice the maximum", "41424344", 2, "AB"},
        {"non-printable decoded byte means plain text", "AB12CD34", 20, "AB12CD34"},
        {"non-hex character means plain text", "VELMORA R730 SSD", 40, "VELMORA R730 SSD"},
        {"plain text cut to the maximum", "VELMORA R730 SSD 256GB", 7, "VELMORA"},
        {"plain text keeps its blanks", "  Q5RT2B1", 8, "  Q5RT2B"},
        {"non-printable plain text gives nothing", "AB\x01" "CD", 20, ""},
        {"empty string", "", 20, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeDescriptorString(TextAt8(c.text), 8, c.maxLength), c.expected) << c.name;
    }
}

TEST(DecodeDescriptorString, NeverReadsOutsideTheReturnedBytes) {
    const auto bytes = TextAt8("ABCDEG", /*terminated=*/false);
    struct Case {
        const char* name;
        std::int32_t offset;
        std::string expected;
    };
    const Case cases[] = {
        {"offset zero", 0, ""},
        {"negative offset", -4, ""},
        {"offset at the end", static_cast<std::int32_t>(bytes.size()), ""},
        {"offset far beyond the end", 5000, ""},
        {"string without terminator ends with the buffer", 8, "ABCDEG"},
        {"last byte alone", 13, "G"},
        {"last two bytes", 12, "EG"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeDescriptorString(bytes, c.offset, 20), c.expected) << c.name;
}

TEST(InterfaceTypeFromBusType, MapsTheFourKnownBusesAndNothingElse) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {bus_type::Ata, kInterfacePata}, {bus_type::Sata, kInterfaceSata},
        {bus_type::Nvme, kInterfaceNvme}, {bus_type::Usb, kInterfaceUsb},
        {9, kInterfaceUnknown}, {0, kInterfaceUnknown}, {1, kInterfaceUnknown}, {-1, kInterfaceUnknown},
    };
    for (auto [bus, expected] : cases) EXPECT_EQ(InterfaceTypeFromBusType(bus), expected) << bus;
}

struct DescriptorTest : ::testing::Test {
    DescriptorTest() {
        drive.DeviceID = "\\\\.\\PHYSICALDRIVE1";
        drive.Model = "WMI model";
        drive.SerialNumber = "WMISERIAL";
        drive.FirmwareRevision = "WMIFW";
        drive.InterfaceType = 99;
    }
    DriveInfo drive;
    fakes::FakeDeviceIo io;
};

TEST_F(DescriptorTest, AsksTheDeviceWithoutAccessRightsForTheStandardDescriptor) {
    io.Output = BuildDescriptor({});
    (void)QueryStorageDescriptor(drive, io, "10.");
    ASSERT_EQ(io.OpenedPaths.size(), 1u);
    EXPECT_EQ(io.OpenedPaths[0], "\\\\.\\PHYSICALDRIVE1");
    EXPECT_EQ(io.OpenedAccess[0], DeviceAccess::None);
    // Both StorageDeviceProperty and PropertyStandardQuery are zero.
    EXPECT_EQ(io.LastInput, std::vector<std::uint8_t>(property_query::Size, 0));
    EXPECT_EQ(io.LastOutputSize, 8192u);
    EXPECT_EQ(io.ClosedCount, 1);
}

TEST_F(DescriptorTest, DevicePathIsCutTo255Characters) {
    drive.DeviceID = std::string(300, 'p');
    io.Output = BuildDescriptor({});
    (void)QueryStorageDescriptor(drive, io, "10.");
    ASSERT_EQ(io.OpenedPaths.size(), 1u);
    EXPECT_EQ(io.OpenedPaths[0], std::string(255, 'p'));
}

TEST_F(DescriptorTest, PlausibleStringsReplaceTheWmiTextsTrimmed) {
    io.Output = BuildDescriptor({"VELMORA R730 SSD    ", "Q5RT2B1 ", "  XY12", bus_type::Sata});
    EXPECT_TRUE(QueryStorageDescriptor(drive, io, "10."));
    EXPECT_EQ(drive.Model, "VELMORA R730 SSD");
    EXPECT_EQ(drive.FirmwareRevision, "Q5RT2B1");
    EXPECT_EQ(drive.SerialNumber, "WMISERIAL");  // starts with blanks: first character not alphanumeric
    EXPECT_EQ(drive.InterfaceType, kInterfaceSata);
}

TEST_F(DescriptorTest, SerialPairsAreSwappedOnlyOnWindows7) {
    for (auto [prefix, expected] : {std::pair{"6.1", "BA21DC43"}, std::pair{"10.", "AB12CD34"}}) {
        DriveInfo copy = drive;
        io.Output = BuildDescriptor({std::nullopt, std::nullopt, "AB12CD34", 0});
        EXPECT_TRUE(QueryStorageDescriptor(copy, io, prefix));
        EXPECT_EQ(copy.SerialNumber, expected) << prefix;
    }
}

TEST_F(DescriptorTest, ImplausibleStringsNeverReplaceAnything) {
    struct Case {
        const char* name;
        DescriptorFields fields;
    };
    const Case cases[] = {
        {"two-character model", {"AB", std::nullopt, std::nullopt, 0}},
        {"blank-only serial", {std::nullopt, std::nullopt, "                    ", 0}},
        {"third character a blank", {"AB CD", std::nullopt, std::nullopt, 0}},
        {"first character punctuation", {std::nullopt, "-Q5RT", std::nullopt, 0}},
        {"no strings at all", {std::nullopt, std::nullopt, std::nullopt, 0}},
    };
    for (const auto& c : cases) {
        DriveInfo copy = drive;
        io.Output = BuildDescriptor(c.fields);
        EXPECT_FALSE(QueryStorageDescriptor(copy, io, "10.")) << c.name;
        EXPECT_EQ(copy.Model, "WMI model") << c.name;
        EXPECT_EQ(copy.SerialNumber, "WMISERIAL") << c.name;
        EXPECT_EQ(copy.FirmwareRevision, "WMIFW") << c.name;
    }
}

TEST_F(DescriptorTest, BusTypeDecidesTheInterfaceEvenWhenNoTextChanges) {
    for (auto [bus, expected] : {std::pair{bus_type::Nvme, kInterfaceNvme}, std::pair{9, kInterfaceUnknown}}) {
        DriveInfo copy = drive;
        io.Output = BuildDescriptor({std::nullopt, std::nullopt, std::nullopt, bus});
        EXPECT_FALSE(QueryStorageDescriptor(copy, io, "10."));
        EXPECT_EQ(copy.InterfaceType, expected) << bus;
    }
}

TEST_F(DescriptorTest, UnopenableDeviceOrFailedQueryChangesNothing) {
    struct Case {
        const char* name;
        std::uint32_t openError;
        std::uint32_t queryError;
    };
    for (const Case& c : {Case{"open fails", 5, 0}, Case{"query fails", 0, 1}}) {
        fakes::FakeDeviceIo failing;
        failing.OpenError = c.openError;
        failing.QueryError = c.queryError;
        failing.Output = BuildDescriptor({"VELMORA R730", "Q5RT2B1", "AB12CD34", bus_type::Sata});
        DriveInfo copy = drive;
        EXPECT_FALSE(QueryStorageDescriptor(copy, failing, "10.")) << c.name;
        EXPECT_EQ(copy.Model, "WMI model") << c.name;
        EXPECT_EQ(copy.InterfaceType, 99) << c.name;
        EXPECT_EQ(failing.ClosedCount, c.openError != 0 ? 0 : 1) << c.name;
    }
}

TEST_F(DescriptorTest, ADescriptorTooShortForItsHeaderGivesNoTextsAndUnknownBus) {
    io.Output = BuildDescriptor({"VELMORA R730", "Q5RT2B1", "AB12CD34", bus_type::Sata});
    io.Output.resize(device_descriptor::ProductIdOffsetOffset + 1);  // cut inside ProductIdOffset
    EXPECT_FALSE(QueryStorageDescriptor(drive, io, "10."));
    EXPECT_EQ(drive.Model, "WMI model");
    EXPECT_EQ(drive.InterfaceType, kInterfaceUnknown);
}

}  // namespace
}  // namespace velmora
