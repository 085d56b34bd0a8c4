#include "drives/NvmeHealthDecode.h"

#include <gtest/gtest.h>

#include "tests/drives/PipeReplies.h"

namespace velmora {
namespace {

namespace offset = test_support::nvme_offset;
using test_support::Cleared;
using test_support::Drive;
using test_support::NvmeReply;

DriveInfo Decode(const PipeReply& reply) {
    DriveInfo drive = Cleared(Drive("N2RT01", kInterfaceNvme));
    EXPECT_EQ(DecodeNvmeHealth(drive, reply), 0);
    return drive;
}

TEST(DecodeNvmeHealth, TemperatureIsKelvinMinus273AndSigned) {
    const struct {
        std::uint16_t Kelvin;
        std::int32_t Celsius;
    } cases[] = {{300, 27}, {250, -23}, {273, 0}, {0, -273}, {0xFFFF, 65262}};
    for (const auto& c : cases) {
        PipeReply reply = NvmeReply();
        StoreLe16(reply.Data, offset::Temperature, c.Kelvin);
        EXPECT_EQ(Decode(reply).Temperature, c.Celsius) << c.Kelvin;
    }
}

TEST(DecodeNvmeHealth, CriticalWarningBitsDecideHealthAndOverTemperature) {
    const struct {
        std::uint8_t Warning;
        std::uint8_t Healthy, OverTemperature;
    } cases[] = {
        {0x00, 1, 0}, {0x01, 0, 0}, {0x02, 1, 1}, {0x04, 0, 0}, {0x08, 0, 0},
        {0x10, 0, 0}, {0x20, 1, 0}, {0x03, 0, 1}, {0xFF, 0, 1},
    };
    for (const auto& c : cases) {
        PipeReply reply = NvmeReply();
        reply.Data[offset::CriticalWarning] = c.Warning;
        const DriveInfo drive = Decode(reply);
        EXPECT_EQ(drive.SmartValid, 1) << int(c.Warning);
        EXPECT_EQ(drive.Healthy, c.Healthy) << int(c.Warning);
        EXPECT_EQ(drive.OverTemperature, c.OverTemperature) << int(c.Warning);
    }
}

TEST(DecodeNvmeHealth, LifeIs100MinusPercentageUsedNeverBelowZero) {
    const struct {
        std::uint8_t Used;
        std::int32_t Life;
    } cases[] = {{0, 100}, {37, 63}, {100, 0}, {120, 0}, {255, 0}};
    for (const auto& c : cases) {
        PipeReply reply = NvmeReply();
        reply.Data[offset::PercentageUsed] = c.Used;
        EXPECT_EQ(Decode(reply).LifePercent, c.Life) << int(c.Used);
    }
}

TEST(DecodeNvmeHealth, WrittenGigabytesAreDataUnitsOver1953CutTo32Bits) {
    const struct {
        std::uint64_t Units;
        std::int32_t Gigabytes;
    } cases[] = {
        {0, 0},
        {1952, 0},
        {1953 * 500ull, 500},
        {1953 * 0x100000005ull, 5},             // quotient 0x1_0000_0005 keeps its low 32 bits
        {1953 * 0xFFFFFFFFull, -1},             // low 32 bits all set
    };
    for (const auto& c : cases) {
        PipeReply reply = NvmeReply();
        StoreLe64(reply.Data, offset::DataUnitsWritten, c.Units);
        EXPECT_EQ(Decode(reply).GBWritten, c.Gigabytes) << c.Units;
    }
}

TEST(DecodeNvmeHealth, CountersAreTheLow32BitsOfTheirFields) {
    PipeReply reply = NvmeReply();
    StoreLe64(reply.Data, offset::PowerOnHours, 0x0000000700001234ull);
    StoreLe64(reply.Data, offset::PowerCycles, 0x0000000100000321ull);
    const DriveInfo drive = Decode(reply);
    EXPECT_EQ(drive.PowerOnHours, 0x1234);
    EXPECT_EQ(drive.PowerCycles, 0x321);
}

TEST(DecodeNvmeHealth, AnyMediaErrorMakesTheDriveUnhealthy) {
    for (const std::uint64_t errors : {1ull, 1ull << 32, 1ull << 63}) {
        PipeReply reply = NvmeReply();
        StoreLe64(reply.Data, offset::MediaErrors, errors);
        EXPECT_EQ(Decode(reply).Healthy, 0) << errors;
    }
    EXPECT_EQ(Decode(NvmeReply()).Healthy, 1);
}

TEST(DecodeNvmeHealth, EraseCountsStayUnknown) {
    const DriveInfo drive = Decode(NvmeReply());
    EXPECT_EQ(drive.AvgEraseCount, -1);
    EXPECT_EQ(drive.MaxEraseCount, -1);
}

}  // namespace
}  // namespace velmora
