#include "common/SimulatedDeviceIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/ByteOrder.h"
#include "common/DriveSet.h"

namespace velmora {
namespace {

std::string CountingLog() {
    std::string hex;
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 512; ++i) {
        hex += kDigits[(i >> 4) & 0xF];
        hex += kDigits[i & 0xF];
    }
    return hex;
}

DriveSet Parsed(const std::string& text) {
    DriveSetParseResult result = ParseDriveSet(text);
    EXPECT_TRUE(result.Ok()) << "line " << result.Line;
    return std::move(result.Set);
}

const std::string kSet =
    "[disk]\n"
    "Index=0\n"
    "DeviceID=\\\\.\\PHYSICALDRIVE0\n"
    "BusType=11\n"
    "ProductId=VELMORA R730 SSD\n"
    "ProductRevision=Q5RT2B1\n"
    "DescriptorSerial=VM0A1B2C3D\n"
    "[disk]\n"
    "Index=1\n"
    "DeviceID=\\\\.\\PHYSICALDRIVE1\n"
    "BusType=17\n"
    "HealthLog=" + CountingLog() + "\n"
    "[disk]\n"
    "Index=2\n"
    "DeviceID=\\\\.\\PHYSICALDRIVE2\n"
    "Model=no descriptor keys\n"
    "[disk]\n"
    "Index=x3\n"
    "DeviceID=\\\\.\\PHYSICALDRIVE3\n"
    "HealthLog=" + CountingLog() + "\n";

std::array<std::uint8_t, 12> DescriptorQuery() { return {}; }  // property 0, standard query

std::vector<std::uint8_t> HealthQuery(std::size_t size = 4144) {
    std::vector<std::uint8_t> buffer(size, 0);
    StoreLe32(buffer, 0, 50);
    StoreLe32(buffer, 4, 0);
    StoreLe32(buffer, 8, 3);
    StoreLe32(buffer, 12, 2);
    StoreLe32(buffer, 16, 2);
    StoreLe32(buffer, 24, 40);
    StoreLe32(buffer, 28, 512);
    return buffer;
}

std::string StringAt(const std::vector<std::uint8_t>& bytes, std::uint32_t offset) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i) text.push_back(static_cast<char>(bytes[i]));
    return text;
}

class SimulatedDeviceIoTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> Open(const std::string& path, std::uint32_t& error) {
        return io.Open(path, DeviceAccess::None, error);
    }
    SimulatedDeviceIo io{Parsed(kSet)};
};

TEST_F(SimulatedDeviceIoTest, OpensOnlyTheDevicePathsTheSetGives) {
    struct Case {
        const char* Path;
        bool Opens;
    };
    const Case cases[] = {
        {"\\\\.\\PHYSICALDRIVE0", true},   // DeviceID with descriptor keys
        {"\\\\.\\physicaldrive0", true},   // letter case ignored
        {"\\\\.\\PhysicalDrive1", true},   // has a HealthLog
        {"\\\\.\\PHYSICALDRIVE2", false},  // no descriptor key, no HealthLog
        {"\\\\.\\PhysicalDrive2", false},
        {"\\\\.\\PhysicalDrive3", false},  // Index is not a number, so no drive number
        {"\\\\.\\PHYSICALDRIVE3", false},  // HealthLog alone does not make DeviceID a descriptor device
        {"\\\\.\\PhysicalDrive9", false},
        {"\\\\.\\PHYSICALDRIVE0 ", false},
        {"", false},
    };
    for (const Case& c : cases) {
        std::uint32_t error = 12345;
        const auto device = Open(c.Path, error);
        EXPECT_EQ(device != nullptr, c.Opens) << c.Path;
        EXPECT_EQ(error, c.Opens ? 0u : device_error::FileNotFound) << c.Path;
    }
}

TEST_F(SimulatedDeviceIoTest, DescriptorIsLaidOutAsWindowsLaysItOut) {
    std::uint32_t error = 0;
    auto device = Open("\\\\.\\PHYSICALDRIVE0", error);
    ASSERT_NE(device, nullptr);
    const auto query = DescriptorQuery();
    std::vector<std::uint8_t> out(8192, 0xCC);
    const IoResult result = device->QueryProperty(query, out);
    ASSERT_TRUE(result.Ok);

    const std::size_t expectedSize = 40 + sizeof "VELMORA R730 SSD" + sizeof "Q5RT2B1" + sizeof "VM0A1B2C3D";
    EXPECT_EQ(result.BytesReturned, expectedSize);
    EXPECT_EQ(LoadLe32(out, 0), 40u);  // Version: the structure's size
    EXPECT_EQ(LoadLe32(out, 4), expectedSize);
    EXPECT_EQ(out[8], 0);   // DeviceType
    EXPECT_EQ(out[10], 0);  // RemovableMedia
    EXPECT_EQ(LoadLe32(out, 12), 0u);  // no vendor id
    EXPECT_EQ(LoadLe32(out, 16), 40u);
    EXPECT_EQ(LoadLe32(out, 20), 40u + sizeof "VELMORA R730 SSD");
    EXPECT_EQ(LoadLe32(out, 24), 40u + sizeof "VELMORA R730 SSD" + sizeof "Q5RT2B1");
    EXPECT_EQ(LoadLe32(out, 28), 11u);
    EXPECT_EQ(LoadLe32(out, 32), expectedSize - 40);
    EXPECT_EQ(StringAt(out, LoadLe32(out, 16)), "VELMORA R730 SSD");
    EXPECT_EQ(StringAt(out, LoadLe32(out, 20)), "Q5RT2B1");
    EXPECT_EQ(StringAt(out, LoadLe32(out, 24)), "VM0A1B2C3D");
    EXPECT_EQ(out[expectedSize], 0xCC);  // nothing written past the descriptor
}

TEST(BuildDeviceDescriptor, GivesMissingStringsOffsetZeroAndMissingBusTypeZero) {
    DriveSetDisk disk;
    disk.ProductRevision = "R1";
    const std::vector<std::uint8_t> bytes = BuildDeviceDescriptor(disk);
    ASSERT_EQ(bytes.size(), 43u);
    EXPECT_EQ(LoadLe32(bytes, 16), 0u);
    EXPECT_EQ(LoadLe32(bytes, 20), 40u);
    EXPECT_EQ(LoadLe32(bytes, 24), 0u);
    EXPECT_EQ(LoadLe32(bytes, 28), 0u);
    EXPECT_EQ(StringAt(bytes, 40), "R1");

    DriveSetDisk empty;
    empty.ProductId = "";
    const std::vector<std::uint8_t> emptyString = BuildDeviceDescriptor(empty);
    EXPECT_EQ(LoadLe32(emptyString, 16), 40u);  // present but empty: a real offset to a lone NUL
    EXPECT_EQ(emptyString.at(40), 0);
}

TEST_F(SimulatedDeviceIoTest, DescriptorIsCutToTheCallersBuffer) {
    std::uint32_t error = 0;
    auto device = Open("\\\\.\\PHYSICALDRIVE0", error);
    ASSERT_NE(device, nullptr);
    const auto query = DescriptorQuery();
    std::vector<std::uint8_t> header(8, 0);
    const IoResult cut = device->QueryProperty(query, header);
    ASSERT_TRUE(cut.Ok);
    EXPECT_EQ(cut.BytesReturned, 8u);
    EXPECT_GT(LoadLe32(header, 4), 40u);  // the full size, so a caller can ask again

    std::vector<std::uint8_t> tooSmall(7, 0);
    const IoResult refused = device->QueryProperty(query, tooSmall);
    EXPECT_FALSE(refused.Ok);
    EXPECT_EQ(refused.Error, device_error::InsufficientBuffer);
}

TEST_F(SimulatedDeviceIoTest, HealthQueryReturnsTheProtocolDescriptorAndTheLogInPlace) {
    std::uint32_t error = 0;
    auto device = io.Open("\\\\.\\PhysicalDrive1", DeviceAccess::ReadWrite, error);
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> buffer = HealthQuery();
    const IoResult result = device->QueryProperty(buffer, buffer);  // one buffer in and out, as the service does
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.BytesReturned, 48u + 512u);
    EXPECT_EQ(LoadLe32(buffer, 0), 48u);
    EXPECT_EQ(LoadLe32(buffer, 4), 48u);
    EXPECT_EQ(LoadLe32(buffer, 8), 3u);
    EXPECT_EQ(LoadLe32(buffer, 12), 2u);
    EXPECT_EQ(LoadLe32(buffer, 16), 2u);
    EXPECT_EQ(LoadLe32(buffer, 24), 40u);
    EXPECT_EQ(LoadLe32(buffer, 28), 512u);
    for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(buffer[8 + 40 + i], i & 0xFF) << i;
}

TEST_F(SimulatedDeviceIoTest, DeviceIdOfAnNvmeDiskAnswersBothQueries) {
    std::uint32_t error = 0;
    auto device = Open("\\\\.\\PHYSICALDRIVE1", error);
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> out(8192, 0);
    const auto query = DescriptorQuery();
    ASSERT_TRUE(device->QueryProperty(query, out).Ok);
    EXPECT_EQ(LoadLe32(out, 28), 17u);
    std::vector<std::uint8_t> buffer = HealthQuery();
    EXPECT_TRUE(device->QueryProperty(buffer, buffer).Ok);
}

TEST_F(SimulatedDeviceIoTest, RefusesQueriesItDoesNotServeAsWindowsWould) {
    std::uint32_t error = 0;
    auto sata = Open("\\\\.\\PHYSICALDRIVE0", error);
    auto nvme = Open("\\\\.\\PhysicalDrive1", error);
    ASSERT_NE(sata, nullptr);
    ASSERT_NE(nvme, nullptr);

    struct Case {
        const char* Name;
        Device* Target;
        std::vector<std::uint8_t> Input;
        std::size_t OutputSize;
        std::uint32_t Error;
    };
    auto modified = [](std::size_t offset, std::uint32_t value) {
        std::vector<std::uint8_t> q = HealthQuery();
        StoreLe32(q, offset, value);
        return q;
    };
    std::vector<std::uint8_t> existsQuery(12, 0);
    StoreLe32(existsQuery, 4, 1);
    std::vector<std::uint8_t> adapterQuery(12, 0);
    StoreLe32(adapterQuery, 0, 1);
    const Case cases[] = {
        {"health query on a drive without a log", sata.get(), HealthQuery(), 4144, device_error::NotSupported},
        {"ATA protocol", nvme.get(), modified(8, 2), 4144, device_error::NotSupported},
        {"identify data instead of a log", nvme.get(), modified(12, 1), 4144, device_error::NotSupported},
        {"another log page", nvme.get(), modified(16, 1), 4144, device_error::NotSupported},
        {"data offset inside the block", nvme.get(), modified(24, 8), 4144, device_error::InvalidParameter},
        {"data length below a log", nvme.get(), modified(28, 511), 4144, device_error::InvalidParameter},
        {"output too small for the log", nvme.get(), HealthQuery(), 559, device_error::InsufficientBuffer},
        {"protocol block cut short", nvme.get(), HealthQuery(47), 4144, device_error::InvalidParameter},
        {"query header cut short", sata.get(), std::vector<std::uint8_t>(7, 0), 8192, device_error::InvalidParameter},
        {"exists query", sata.get(), existsQuery, 8192, device_error::InvalidFunction},
        {"adapter property", sata.get(), adapterQuery, 8192, device_error::InvalidFunction},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(c.OutputSize, 0xAB);
        const IoResult result = c.Target->QueryProperty(c.Input, out);
        EXPECT_FALSE(result.Ok) << c.Name;
        EXPECT_EQ(result.Error, c.Error) << c.Name;
        EXPECT_EQ(result.BytesReturned, 0u) << c.Name;
        EXPECT_EQ(std::count(out.begin(), out.end(), 0xAB), static_cast<std::ptrdiff_t>(out.size())) << c.Name;
    }
}

TEST(SimulatedDeviceIo, ABrokenSetOpensNothing) {
    DriveSet set = Parsed(kSet);
    set.Broken = true;
    SimulatedDeviceIo io(set);
    for (const char* path : {"\\\\.\\PHYSICALDRIVE0", "\\\\.\\PhysicalDrive1"}) {
        std::uint32_t error = 0;
        EXPECT_EQ(io.Open(path, DeviceAccess::ReadWrite, error), nullptr) << path;
        EXPECT_EQ(error, device_error::FileNotFound);
    }
}

TEST(SimulatedDeviceIo, TheFirstMatchingDiskInFileOrderAnswers) {
    SimulatedDeviceIo io(Parsed("[disk]\nDeviceID=\\\\.\\D\nBusType=1\n[disk]\nDeviceID=\\\\.\\d\nBusType=2\n"));
    std::uint32_t error = 0;
    auto device = io.Open("\\\\.\\D", DeviceAccess::None, error);
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> out(64, 0);
    const auto query = DescriptorQuery();
    ASSERT_TRUE(device->QueryProperty(query, out).Ok);
    EXPECT_EQ(LoadLe32(out, 28), 1u);
}

TEST(SimulatedDeviceIo, ADeviceOutlivesTheSetItCameFrom) {
    std::unique_ptr<Device> device;
    {
        SimulatedDeviceIo io(Parsed(kSet));
        std::uint32_t error = 0;
        device = io.Open("\\\\.\\PhysicalDrive1", DeviceAccess::ReadWrite, error);
    }
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> buffer = HealthQuery();
    ASSERT_TRUE(device->QueryProperty(buffer, buffer).Ok);
    EXPECT_EQ(buffer[48 + 511], 0xFF);
}

}  // namespace
}  // namespace velmora
