#include "drives/AtaSmartDecode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/drives/PipeReplies.h"

namespace velmora {
namespace {

using test_support::AtaEntry;
using test_support::AtaReply;
using test_support::Cleared;
using test_support::Drive;
using test_support::PutAtaEntry;

DriveInfo DecodeOne(const std::string& firmware, const AtaEntry& entry) {
    DriveInfo drive = Cleared(Drive(firmware, kInterfaceSata));
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 0, entry);
    EXPECT_EQ(DecodeAtaSmart(drive, reply), 0);
    return drive;
}

struct AttributeCase {
    const char* Name;
    std::string Firmware;
    AtaEntry Entry;
    std::int32_t DriveInfo::*Field;
    std::int32_t Expected;
};

class AtaAttributeByFamily : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AtaAttributeByFamily, SetsTheFieldTheFamilyRuleGives) {
    const AttributeCase& c = GetParam();
    const DriveInfo drive = DecodeOne(c.Firmware, c.Entry);
    EXPECT_EQ(drive.*c.Field, c.Expected);
}

constexpr std::uint32_t kEraseLow16High32 = (32u << 16) | 16u;

INSTANTIATE_TEST_SUITE_P(
    Table, AtaAttributeByFamily,
    ::testing::Values(
        AttributeCase{"PowerOnHoursIsRaw32", "Q5RT2B1", {9, 0x00012345, 0x32, 100, 100, 0xABCDEF},
                      &DriveInfo::PowerOnHours, 0x12345},
        AttributeCase{"PowerCyclesIsRaw32", "QCRT01", {12, 777}, &DriveInfo::PowerCycles, 777},
        AttributeCase{"Q5AverageEraseIsLowHalf", "Q5RT2B1", {173, kEraseLow16High32}, &DriveInfo::AvgEraseCount, 16},
        AttributeCase{"Q5MaximumEraseIsHighHalf", "Q5RT2B1", {173, kEraseLow16High32}, &DriveInfo::MaxEraseCount, 32},
        AttributeCase{"QcMaximumEraseIsLowHalf", "QCRT01", {173, kEraseLow16High32}, &DriveInfo::MaxEraseCount, 16},
        AttributeCase{"QcAverageEraseIsHighHalf", "QCRT01", {173, kEraseLow16High32}, &DriveInfo::AvgEraseCount, 32},
        AttributeCase{"Q3AverageEraseIsHighHalf", "Q3RT01", {173, kEraseLow16High32}, &DriveInfo::AvgEraseCount, 32},
        AttributeCase{"LowerCaseQ5IsAnotherFamily", "q5rt01", {173, kEraseLow16High32}, &DriveInfo::AvgEraseCount, 32},
        AttributeCase{"QcTemperatureIsFixedAt30", "QCRT01", {194, 45}, &DriveInfo::Temperature, 30},
        AttributeCase{"QdTemperatureIsFixedAt30", "QDRT01", {194, 0x00000050}, &DriveInfo::Temperature, 30},
        AttributeCase{"Q5TemperatureIsRawByte0", "Q5RT2B1", {194, 0x0014002D}, &DriveInfo::Temperature, 45},
        AttributeCase{"Q3TemperatureIsRawByte0", "Q3RT01", {194, 0x0000FF28}, &DriveInfo::Temperature, 40},
        AttributeCase{"QdLifeIsCappedAt100", "QDRT01", {231, 150}, &DriveInfo::LifePercent, 100},
        AttributeCase{"QcLifeIsRawByte0", "QCRT01", {231, 0x00000157}, &DriveInfo::LifePercent, 87},
        AttributeCase{"Q5IgnoresLife", "Q5RT2B1", {231, 80}, &DriveInfo::LifePercent, -1},
        AttributeCase{"Q3IgnoresLife", "Q3RT01", {231, 80}, &DriveInfo::LifePercent, -1},
        AttributeCase{"Q5WritesAreMegabytes", "Q5RT2B1", {241, 123456}, &DriveInfo::GBWritten, 123},
        AttributeCase{"Q5WritesBelowOneGBGiveZero", "Q5RT2B1", {241, 999}, &DriveInfo::GBWritten, 0},
        AttributeCase{"Q5WritesAreSignedAndTruncateTowardZero", "Q5RT2B1", {241, 0x80000000u},
                      &DriveInfo::GBWritten, -2147483},
        AttributeCase{"Q5UnknownWritesStayUnknown", "Q5RT2B1", {241, 0xFFFFFFFFu}, &DriveInfo::GBWritten, -1},
        AttributeCase{"QcWritesAreGigabytes", "QCRT01", {241, 5000}, &DriveInfo::GBWritten, 5000},
        AttributeCase{"QcUnknownWritesStayUnknown", "QCRT01", {241, 0xFFFFFFFFu}, &DriveInfo::GBWritten, -1},
        AttributeCase{"UnknownAttributeChangesNothing", "Q5RT2B1", {5, 1234}, &DriveInfo::PowerOnHours, -1}),
    [](const ::testing::TestParamInfo<AttributeCase>& info) { return std::string(info.param.Name); });

struct FlagsCase {
    std::int32_t StatusValid, Active, PredictFailure;
    std::uint8_t SmartValid, Healthy;
};

TEST(DecodeAtaSmart, StatusFlagsFollowTheReplyOnlyWhenStatusIsValid) {
    const FlagsCase cases[] = {
        {1, 1, 0, 1, 1},  // active and healthy
        {1, 1, 1, 1, 0},  // failure predicted
        {1, 0, 0, 0, 1},  // prediction inactive
        {0, 1, 0, 0, 0},  // status unknown: both stay cleared
        {0, 1, 1, 0, 0},
    };
    for (const FlagsCase& c : cases) {
        DriveInfo drive = Cleared(Drive("Q5RT2B1", kInterfaceSata));
        PipeReply reply = AtaReply(c.StatusValid, c.Active, c.PredictFailure);
        PutAtaEntry(reply, 0, {9, 42});
        ASSERT_EQ(DecodeAtaSmart(drive, reply), 0);
        EXPECT_EQ(drive.SmartValid, c.SmartValid) << c.StatusValid << c.Active << c.PredictFailure;
        EXPECT_EQ(drive.Healthy, c.Healthy) << c.StatusValid << c.Active << c.PredictFailure;
        EXPECT_EQ(drive.PowerOnHours, 42) << "values are decoded whatever the status";
    }
}

TEST(DecodeAtaSmart, LaterEntryWithTheSameIdWins) {
    DriveInfo drive = Cleared(Drive("Q5RT2B1", kInterfaceSata));
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 3, {9, 100});
    PutAtaEntry(reply, 20, {9, 200});
    ASSERT_EQ(DecodeAtaSmart(drive, reply), 0);
    EXPECT_EQ(drive.PowerOnHours, 200);
}

TEST(DecodeAtaSmart, A512ByteBlockIsWalkedAs42EntriesAndNoFurther) {
    DriveInfo drive = Cleared(Drive("Q5RT2B1", kInterfaceSata));
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 41, {12, 55});  // beyond the 30 standard entries, still inside 512 bytes
    PutAtaEntry(reply, 42, {9, 66});   // would need bytes 506..517
    ASSERT_EQ(DecodeAtaSmart(drive, reply), 0);
    EXPECT_EQ(drive.PowerCycles, 55);
    EXPECT_EQ(drive.PowerOnHours, -1);
}

TEST(DecodeAtaSmart, NeverSetsOverTemperature) {
    const DriveInfo drive = DecodeOne("Q5RT2B1", {194, 0xFF});
    EXPECT_EQ(drive.Temperature, 255);
    EXPECT_EQ(drive.OverTemperature, 0);
}

struct LengthCase {
    std::int32_t DataLength;
    std::size_t Entries;
};

TEST(AtaAttributeCount, HoldsTheLengthInsideData) {
    const LengthCase cases[] = {
        {512, 42}, {0, 0}, {11, 0}, {12, 1}, {-1, 0}, {-2147483647 - 1, 0}, {4096, 341}, {4097, 341}, {2147483647, 341},
    };
    for (const LengthCase& c : cases) EXPECT_EQ(AtaAttributeCount(c.DataLength), c.Entries) << c.DataLength;
}

TEST(ReadAtaAttribute, SplitsTheEntryIntoItsFields) {
    PipeReply reply = AtaReply();
    PutAtaEntry(reply, 5, {9, 0x00000539, 0x0032, 100, 99, 0x00ABCD});
    const AtaAttribute attribute = ReadAtaAttribute(reply.Data, 5);
    EXPECT_EQ(attribute.Id, 9);
    EXPECT_EQ(attribute.Flags, 0x0032);
    EXPECT_EQ(attribute.Current, 100);
    EXPECT_EQ(attribute.Worst, 99);
    EXPECT_EQ(attribute.Raw32, 0x539u);
    EXPECT_EQ(attribute.RawHigh24, 0xABCDu);
    EXPECT_EQ(attribute.RawByte0(), 0x39);
}

}  // namespace
}  // namespace velmora
