#include "common/DriveSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
namespace {

std::string HexBytes(std::size_t count, const std::string& separator = " ") {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) text += separator;
        text += kDigits[(i >> 4) & 0xF];
        text += kDigits[i & 0xF];
    }
    return text;
}

TEST(ParseDriveSet, ReadsEveryKeyOfTheOsAndDiskSections) {
    const std::string text =
        "[os]\n"
        "Version=10.0.19045\n"
        "[disk]\n"
        "Index=0\n"
        "DeviceID=\\\\.\\PHYSICALDRIVE0\n"
        "PNPDeviceID=SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000\n"
        "Model=VELMORA R730 SSD\n"
        "SerialNumber=3533303030\n"
        "FirmwareRevision=Q5RT2B1\n"
        "Size=256060514304\n"
        "BusType=11\n"
        "ProductId=VELMORA R730 SSD\n"
        "ProductRevision=Q5RT2B1\n"
        "DescriptorSerial=VM0A1B2C3D\n"
        "InstanceName=SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0\n"
        "Active=1\n"
        "PredictFailure=0\n"
        "VendorSpecific=0100 09 ff\n"
        "HealthLog=" + HexBytes(512) + "\n";
    const DriveSetParseResult result = ParseDriveSet(text);
    ASSERT_TRUE(result.Ok()) << result.Line;
    ASSERT_TRUE(result.Set.Os.has_value());
    EXPECT_EQ(result.Set.Os->Version, "10.0.19045");
    ASSERT_EQ(result.Set.Disks.size(), 1u);
    const DriveSetDisk& disk = result.Set.Disks[0];
    EXPECT_EQ(disk.Index, "0");
    EXPECT_EQ(disk.DeviceID, "\\\\.\\PHYSICALDRIVE0");
    EXPECT_EQ(disk.PNPDeviceID, "SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000");
    EXPECT_EQ(disk.Model, "VELMORA R730 SSD");
    EXPECT_EQ(disk.SerialNumber, "3533303030");
    EXPECT_EQ(disk.FirmwareRevision, "Q5RT2B1");
    EXPECT_EQ(disk.Size, "256060514304");
    EXPECT_EQ(disk.BusType, std::uint8_t{11});
    EXPECT_EQ(disk.ProductId, "VELMORA R730 SSD");
    EXPECT_EQ(disk.ProductRevision, "Q5RT2B1");
    EXPECT_EQ(disk.DescriptorSerial, "VM0A1B2C3D");
    EXPECT_EQ(disk.InstanceName, "SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0");
    EXPECT_EQ(disk.Active, true);
    EXPECT_EQ(disk.PredictFailure, false);
    EXPECT_EQ(disk.VendorSpecific, (std::vector<std::uint8_t>{0x01, 0x00, 0x09, 0xFF}));
    ASSERT_TRUE(disk.HealthLog.has_value());
    EXPECT_EQ((*disk.HealthLog)[0], 0x00);
    EXPECT_EQ((*disk.HealthLog)[0x7F], 0x7F);
    EXPECT_EQ((*disk.HealthLog)[511], 0xFF);
}

TEST(ParseDriveSet, KeepsDisksInFileOrderAndLeavesMissingKeysAbsent) {
    const DriveSetParseResult result = ParseDriveSet("[disk]\nModel=A\n[disk]\n[disk]\nIndex=7\n");
    ASSERT_TRUE(result.Ok());
    EXPECT_FALSE(result.Set.Os.has_value());
    ASSERT_EQ(result.Set.Disks.size(), 3u);
    EXPECT_EQ(result.Set.Disks[0].Model, "A");
    EXPECT_FALSE(result.Set.Disks[0].Index.has_value());
    EXPECT_FALSE(result.Set.Disks[1].Model.has_value());
    EXPECT_FALSE(result.Set.Disks[1].BusType.has_value());
    EXPECT_FALSE(result.Set.Disks[1].VendorSpecific.has_value());
    EXPECT_EQ(result.Set.Disks[2].Index, "7");
}

TEST(ParseDriveSet, AnEmptyTextIsAnEmptySet) {
    const DriveSetParseResult result = ParseDriveSet("");
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.Set.Disks.empty());
    EXPECT_FALSE(result.Set.Os.has_value());
    EXPECT_FALSE(result.Set.Broken);
}

TEST(ParseDriveSet, AcceptsCrLfLineEndsWithoutKeepingTheCarriageReturn) {
    const DriveSetParseResult result = ParseDriveSet("[os]\r\nVersion=6.1.7601\r\n[disk]\r\nModel=M \r\nActive=1\r\n");
    ASSERT_TRUE(result.Ok()) << result.Line;
    EXPECT_EQ(result.Set.Os->Version, "6.1.7601");
    EXPECT_EQ(result.Set.Disks[0].Model, "M ");
    EXPECT_EQ(result.Set.Disks[0].Active, true);
}

TEST(ParseDriveSet, SkipsCommentsAndBlankLinesButKeepsSemicolonsInValues) {
    const DriveSetParseResult result = ParseDriveSet(
        "; leading comment\n"
        "   # indented comment\n"
        "\n"
        " \t \n"
        "[disk]\n"
        "\t; comment inside a section\n"
        "Model=VELMORA; R730 # not a comment\n"
        "DeviceID==x=\n");
    ASSERT_TRUE(result.Ok()) << result.Line;
    ASSERT_EQ(result.Set.Disks.size(), 1u);
    EXPECT_EQ(result.Set.Disks[0].Model, "VELMORA; R730 # not a comment");
    EXPECT_EQ(result.Set.Disks[0].DeviceID, "=x=");
}

TEST(ParseDriveSet, KeepsValuesVerbatimWithTheirBlanks) {
    const DriveSetParseResult result = ParseDriveSet("[disk]\nSerialNumber=  3533 3030  \nModel=\n");
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Set.Disks[0].SerialNumber, "  3533 3030  ");
    EXPECT_EQ(result.Set.Disks[0].Model, "");
}

TEST(ParseDriveSet, ReadsHexInEitherCaseWithBlanksBetweenBytes) {
    const DriveSetParseResult result = ParseDriveSet("[disk]\nVendorSpecific=\t0a0B  c0\tFf \n");
    ASSERT_TRUE(result.Ok()) << result.Line;
    EXPECT_EQ(result.Set.Disks[0].VendorSpecific, (std::vector<std::uint8_t>{0x0A, 0x0B, 0xC0, 0xFF}));
}

TEST(ParseDriveSet, AnEmptyVendorSpecificIsAnEmptyArrayNotAMissingOne) {
    const DriveSetParseResult result = ParseDriveSet("[disk]\nVendorSpecific=\n");
    ASSERT_TRUE(result.Ok());
    ASSERT_TRUE(result.Set.Disks[0].VendorSpecific.has_value());
    EXPECT_TRUE(result.Set.Disks[0].VendorSpecific->empty());
}

TEST(ParseDriveSet, AcceptsBusTypeBoundsAndBothFlagValues) {
    const DriveSetParseResult result =
        ParseDriveSet("[disk]\nBusType=0\nActive=0\nPredictFailure=1\n[disk]\nBusType=255\n[disk]\nBusType=011\n");
    ASSERT_TRUE(result.Ok()) << result.Line;
    EXPECT_EQ(result.Set.Disks[0].BusType, std::uint8_t{0});
    EXPECT_EQ(result.Set.Disks[0].Active, false);
    EXPECT_EQ(result.Set.Disks[0].PredictFailure, true);
    EXPECT_EQ(result.Set.Disks[1].BusType, std::uint8_t{255});
    EXPECT_EQ(result.Set.Disks[2].BusType, std::uint8_t{11});
}

TEST(ParseDriveSet, AKeySeenInOneDiskMayAppearAgainInTheNext) {
    const DriveSetParseResult result = ParseDriveSet("[disk]\nIndex=0\n[disk]\nIndex=1\n");
    ASSERT_TRUE(result.Ok()) << result.Line;
    EXPECT_EQ(result.Set.Disks[1].Index, "1");
}

struct BadLine {
    const char* Name;
    std::string Text;
    DriveSetError Error;
    std::int32_t Line;
};

class ParseDriveSetRejects : public ::testing::TestWithParam<BadLine> {};

TEST_P(ParseDriveSetRejects, TheFirstBadLineWithItsKind) {
    const BadLine& bad = GetParam();
    const DriveSetParseResult result = ParseDriveSet(bad.Text);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Error, bad.Error);
    EXPECT_EQ(result.Line, bad.Line);
    EXPECT_TRUE(result.Set.Disks.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachErrorKind, ParseDriveSetRejects,
    ::testing::Values(
        BadLine{"UnknownSection", "[disk]\n[drive]\n", DriveSetError::UnknownSection, 2},
        BadLine{"SectionWithTrailingBlank", "; c\n[disk] \n", DriveSetError::UnknownSection, 2},
        BadLine{"SectionInOtherCase", "[OS]\n", DriveSetError::UnknownSection, 1},
        BadLine{"UnknownKey", "[disk]\nIndex=0\nColour=red\n", DriveSetError::UnknownKey, 3},
        BadLine{"KeyInWrongCase", "[disk]\nmodel=x\n", DriveSetError::UnknownKey, 2},
        BadLine{"DiskKeyInOsSection", "[os]\nModel=x\n", DriveSetError::UnknownKey, 2},
        BadLine{"OsKeyInDiskSection", "[disk]\nVersion=10.0\n", DriveSetError::UnknownKey, 2},
        BadLine{"KeyWithLeadingBlank", "[disk]\n Index=0\n", DriveSetError::UnknownKey, 2},
        BadLine{"LineWithoutEquals", "[disk]\nIndex 0\n", DriveSetError::UnknownKey, 2},
        BadLine{"EmptyKey", "[disk]\n=0\n", DriveSetError::UnknownKey, 2},
        BadLine{"KeyOutsideSection", "; first\nIndex=0\n", DriveSetError::KeyOutsideSection, 2},
        BadLine{"KeyTwiceInOneDisk", "[disk]\nModel=a\nIndex=0\nModel=a\n", DriveSetError::DuplicateKey, 4},
        BadLine{"VersionTwice", "[os]\nVersion=1\nVersion=1\n", DriveSetError::DuplicateKey, 3},
        BadLine{"SecondOs", "[os]\n[disk]\n[os]\n", DriveSetError::SecondOsSection, 3},
        BadLine{"OddHexDigits", "[disk]\nVendorSpecific=010\n", DriveSetError::BadHex, 2},
        BadLine{"BlankSplittingAByte", "[disk]\nVendorSpecific=0 1\n", DriveSetError::BadHex, 2},
        BadLine{"NonHexCharacter", "[disk]\nVendorSpecific=01 0g\n", DriveSetError::BadHex, 2},
        BadLine{"HexPrefix", "[disk]\nVendorSpecific=0x01\n", DriveSetError::BadHex, 2},
        BadLine{"HealthLogBadHex", "[disk]\nHealthLog=zz\n", DriveSetError::BadHex, 2},
        BadLine{"HealthLogShort", "[disk]\nHealthLog=" + HexBytes(511) + "\n", DriveSetError::HealthLogSize, 2},
        BadLine{"HealthLogLong", "[disk]\nHealthLog=" + HexBytes(513) + "\n", DriveSetError::HealthLogSize, 2},
        BadLine{"HealthLogEmpty", "[disk]\nHealthLog=\n", DriveSetError::HealthLogSize, 2},
        BadLine{"ActiveTwo", "[disk]\nActive=2\n", DriveSetError::BadFlag, 2},
        BadLine{"ActiveEmpty", "[disk]\nActive=\n", DriveSetError::BadFlag, 2},
        BadLine{"PredictFailureWithBlank", "[disk]\nPredictFailure=1 \n", DriveSetError::BadFlag, 2},
        BadLine{"PredictFailureTrue", "[disk]\nPredictFailure=true\n", DriveSetError::BadFlag, 2},
        BadLine{"BusType256", "[disk]\nBusType=256\n", DriveSetError::BadBusType, 2},
        BadLine{"BusTypeNegative", "[disk]\nBusType=-1\n", DriveSetError::BadBusType, 2},
        BadLine{"BusTypeNotANumber", "[disk]\nBusType=SATA\n", DriveSetError::BadBusType, 2},
        BadLine{"BusTypeEmpty", "[disk]\nBusType=\n", DriveSetError::BadBusType, 2},
        BadLine{"BusTypeHuge", "[disk]\nBusType=99999999999999999999\n", DriveSetError::BadBusType, 2},
        BadLine{"LineNumbersCountCrLf", "[disk]\r\n\r\n; c\r\nActive=x\r\n", DriveSetError::BadFlag, 4},
        BadLine{"OnlyTheFirstErrorCounts", "[disk]\nActive=9\nBusType=x\n", DriveSetError::BadFlag, 2}),
    [](const ::testing::TestParamInfo<BadLine>& info) { return std::string(info.param.Name); });

TEST(ParseDriveSet, TreatsAFinalLineWithoutLineEndLikeAnyOther) {
    const DriveSetParseResult good = ParseDriveSet("[disk]\nActive=1");
    ASSERT_TRUE(good.Ok());
    EXPECT_EQ(good.Set.Disks[0].Active, true);
    const DriveSetParseResult bad = ParseDriveSet("[disk]\nActive=1\nActive=1");
    EXPECT_EQ(bad.Error, DriveSetError::DuplicateKey);
    EXPECT_EQ(bad.Line, 3);
}

struct IndexText {
    const char* Text;
    std::optional<std::int32_t> Number;
};

TEST(DriveSetDisk, NumericIndexAcceptsOnly32BitDecimalIntegers) {
    const IndexText cases[] = {
        {"0", 0},
        {"12", 12},
        {"007", 7},
        {"-3", -3},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+1", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"0x10", std::nullopt},
        {"one", std::nullopt},
    };
    for (const IndexText& c : cases) {
        DriveSetDisk disk;
        disk.Index = c.Text;
        EXPECT_EQ(disk.NumericIndex(), c.Number) << '"' << c.Text << '"';
    }
    EXPECT_EQ(DriveSetDisk{}.NumericIndex(), std::nullopt);
}

TEST(DriveSetDisk, InstanceNameDefaultsToThePnpIdWithSuffixZero) {
    DriveSetDisk disk;
    EXPECT_EQ(disk.EffectiveInstanceName(), std::nullopt);
    disk.PNPDeviceID = "SCSI\\DISK&VEN_X\\1";
    EXPECT_EQ(disk.EffectiveInstanceName(), "SCSI\\DISK&VEN_X\\1_0");
    disk.InstanceName = "OWN";
    EXPECT_EQ(disk.EffectiveInstanceName(), "OWN");
}

TEST(DriveSetDisk, HasADescriptorWithAnyOfTheFourDescriptorKeys) {
    DriveSetDisk disk;
    disk.DeviceID = "\\\\.\\PHYSICALDRIVE0";
    disk.Model = "M";
    EXPECT_FALSE(disk.HasDescriptor());
    DriveSetDisk withBus = disk;
    withBus.BusType = 0;
    DriveSetDisk withProduct = disk;
    withProduct.ProductId = "";
    DriveSetDisk withRevision = disk;
    withRevision.ProductRevision = "R";
    DriveSetDisk withSerial = disk;
    withSerial.DescriptorSerial = "S";
    for (const DriveSetDisk* d : {&withBus, &withProduct, &withRevision, &withSerial}) EXPECT_TRUE(d->HasDescriptor());
}

// The parser faces hand-edited and hostile files: whatever the bytes, it
// must end with either a set or one error line inside the text, and its
// line count must stay right for what follows.
TEST(ParseDriveSet, HandlesManyDisksAndLongValuesInOnePass) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "[disk]\nIndex=" + std::to_string(i) + "\n";
    text += "[disk]\nVendorSpecific=" + HexBytes(200000, "") + "\n";
    const DriveSetParseResult result = ParseDriveSet(text);
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(result.Set.Disks.size(), 5001u);
    EXPECT_EQ(result.Set.Disks[4999].Index, "4999");
    EXPECT_EQ(result.Set.Disks[5000].VendorSpecific->size(), 200000u);
}

}  // namespace
}  // namespace velmora
