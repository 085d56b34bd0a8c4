#include "common/SimulatedDeviceIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/ByteOrder.h"
#include "common/DriveSet.h"

namespace velmora {
namespace {

namespace dd = device_descriptor;
namespace pd = protocol_descriptor;
namespace pq = property_query;
constexpr std::size_t kLogSize = nvme_query::HealthLogSize;

std::string CountingLog() {
    std::string hex;
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < kLogSize; ++i) {
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

std::vector<std::uint8_t> DescriptorQuery() {
    std::vector<std::uint8_t> query(pq::Size, 0);
    StoreLe32(query, pq::PropertyIdOffset, pq::StorageDeviceProperty);
    StoreLe32(query, pq::QueryTypeOffset, pq::PropertyStandardQuery);
    return query;
}

// Sets a field of the protocol block of a health query.
void SetBlockField(std::vector<std::uint8_t>& query, std::size_t field, std::uint32_t value) {
    StoreLe32(std::span(query).subspan(nvme_query::ProtocolBlock, pd::ProtocolBlockSize), field, value);
}

std::vector<std::uint8_t> HealthQuery(std::size_t size = nvme_query::BufferSize) {
    std::vector<std::uint8_t> buffer(size, 0);
    StoreLe32(buffer, pq::PropertyIdOffset, pq::StorageDeviceProtocolSpecificProperty);
    StoreLe32(buffer, pq::QueryTypeOffset, pq::PropertyStandardQuery);
    SetBlockField(buffer, pd::ProtocolTypeOffset, pd::ProtocolTypeNvme);
    SetBlockField(buffer, pd::DataTypeOffset, pd::NvmeDataTypeLogPage);
    SetBlockField(buffer, pd::RequestValueOffset, nvme_query::HealthInfoLogId);
    SetBlockField(buffer, pd::DataOffsetOffset, pd::ProtocolBlockSize);
    SetBlockField(buffer, pd::DataLengthOffset, kLogSize);
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

    const std::size_t expectedSize = dd::FixedSize + sizeof "VELMORA R730 SSD" + sizeof "Q5RT2B1" + sizeof "VM0A1B2C3D";
    EXPECT_EQ(result.BytesReturned, expectedSize);
    EXPECT_EQ(LoadLe32(out, dd::VersionOffset), dd::FixedSize);  // the structure's size
    EXPECT_EQ(LoadLe32(out, dd::SizeOffset), expectedSize);
    EXPECT_EQ(out[dd::DeviceTypeOffset], 0);
    EXPECT_EQ(out[dd::RemovableMediaOffset], 0);
    EXPECT_EQ(LoadLe32(out, dd::VendorIdOffsetOffset), 0u);  // no vendor id
    EXPECT_EQ(LoadLe32(out, dd::ProductIdOffsetOffset), dd::FixedSize);
    EXPECT_EQ(LoadLe32(out, dd::ProductRevisionOffsetOffset), dd::FixedSize + sizeof "VELMORA R730 SSD");
    EXPECT_EQ(LoadLe32(out, dd::SerialNumberOffsetOffset),
              dd::FixedSize + sizeof "VELMORA R730 SSD" + sizeof "Q5RT2B1");
    EXPECT_EQ(LoadLe32(out, dd::BusTypeOffset), 11u);
    EXPECT_EQ(LoadLe32(out, dd::RawPropertiesLengthOffset), expectedSize - dd::FixedSize);
    EXPECT_EQ(StringAt(out, LoadLe32(out, dd::ProductIdOffsetOffset)), "VELMORA R730 SSD");
    EXPECT_EQ(StringAt(out, LoadLe32(out, dd::ProductRevisionOffsetOffset)), "Q5RT2B1");
    EXPECT_EQ(StringAt(out, LoadLe32(out, dd::SerialNumberOffsetOffset)), "VM0A1B2C3D");
    EXPECT_EQ(out[expectedSize], 0xCC);  // nothing written past the descriptor
}

TEST(BuildDeviceDescriptor, GivesMissingStringsOffsetZeroAndMissingBusTypeZero) {
    DriveSetDisk disk;
    disk.ProductRevision = "R1";
    const std::vector<std::uint8_t> bytes = BuildDeviceDescriptor(disk);
    ASSERT_EQ(bytes.size(), dd::FixedSize + sizeof "R1");
    EXPECT_EQ(LoadLe32(bytes, dd::ProductIdOffsetOffset), 0u);
    EXPECT_EQ(LoadLe32(bytes, dd::ProductRevisionOffsetOffset), dd::FixedSize);
    EXPECT_EQ(LoadLe32(bytes, dd::SerialNumberOffsetOffset), 0u);
    EXPECT_EQ(LoadLe32(bytes, dd::BusTypeOffset), 0u);
    EXPECT_EQ(StringAt(bytes, dd::FixedSize), "R1");

    DriveSetDisk empty;
    empty.ProductId = "";
    const std::vector<std::uint8_t> emptyString = BuildDeviceDescriptor(empty);
    // Present but empty: a real offset to a lone NUL.
    EXPECT_EQ(LoadLe32(emptyString, dd::ProductIdOffsetOffset), dd::FixedSize);
    EXPECT_EQ(emptyString.at(dd::FixedSize), 0);
}

TEST_F(SimulatedDeviceIoTest, DescriptorIsCutToTheCallersBuffer) {
    std::uint32_t error = 0;
    auto device = Open("\\\\.\\PHYSICALDRIVE0", error);
    ASSERT_NE(device, nullptr);
    const auto query = DescriptorQuery();
    std::vector<std::uint8_t> header(dd::HeaderSize, 0);
    const IoResult cut = device->QueryProperty(query, header);
    ASSERT_TRUE(cut.Ok);
    EXPECT_EQ(cut.BytesReturned, dd::HeaderSize);
    EXPECT_GT(LoadLe32(header, dd::SizeOffset), dd::FixedSize);  // the full size, so a caller can ask again

    std::vector<std::uint8_t> tooSmall(dd::HeaderSize - 1, 0);
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
    EXPECT_EQ(result.BytesReturned, pd::Size + kLogSize);
    EXPECT_EQ(LoadLe32(buffer, pd::VersionOffset), pd::Size);
    EXPECT_EQ(LoadLe32(buffer, pd::SizeOffset), pd::Size);
    const auto block = std::span(buffer).subspan(pd::ProtocolBlockOffset, pd::ProtocolBlockSize);
    EXPECT_EQ(LoadLe32(block, pd::ProtocolTypeOffset), pd::ProtocolTypeNvme);
    EXPECT_EQ(LoadLe32(block, pd::DataTypeOffset), pd::NvmeDataTypeLogPage);
    EXPECT_EQ(LoadLe32(block, pd::RequestValueOffset), nvme_query::HealthInfoLogId);
    EXPECT_EQ(LoadLe32(block, pd::DataOffsetOffset), pd::ProtocolBlockSize);
    EXPECT_EQ(LoadLe32(block, pd::DataLengthOffset), kLogSize);
    // The log right after the protocol block.
    for (std::size_t i = 0; i < kLogSize; ++i) ASSERT_EQ(buffer[pd::Size + i], i & 0xFF) << i;
}

TEST_F(SimulatedDeviceIoTest, DeviceIdOfAnNvmeDiskAnswersBothQueries) {
    std::uint32_t error = 0;
    auto device = Open("\\\\.\\PHYSICALDRIVE1", error);
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> out(8192, 0);
    const auto query = DescriptorQuery();
    ASSERT_TRUE(device->QueryProperty(query, out).Ok);
    EXPECT_EQ(LoadLe32(out, dd::BusTypeOffset), 17u);
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
    auto modified = [](std::size_t blockField, std::uint32_t value) {
        std::vector<std::uint8_t> q = HealthQuery();
        SetBlockField(q, blockField, value);
        return q;
    };
    std::vector<std::uint8_t> existsQuery = DescriptorQuery();
    StoreLe32(existsQuery, pq::QueryTypeOffset, 1);
    std::vector<std::uint8_t> adapterQuery = DescriptorQuery();
    StoreLe32(adapterQuery, pq::PropertyIdOffset, 1);
    constexpr std::size_t kBuffer = nvme_query::BufferSize;
    constexpr std::size_t kAnswer = pd::Size + kLogSize;
    const Case cases[] = {
        {"health query on a drive without a log", sata.get(), HealthQuery(), kBuffer, device_error::NotSupported},
        {"ATA protocol", nvme.get(), modified(pd::ProtocolTypeOffset, 2), kBuffer, device_error::NotSupported},
        {"identify data instead of a log", nvme.get(), modified(pd::DataTypeOffset, 1), kBuffer,
         device_error::NotSupported},
        {"another log page", nvme.get(), modified(pd::RequestValueOffset, 1), kBuffer, device_error::NotSupported},
        {"data offset inside the block", nvme.get(), modified(pd::DataOffsetOffset, pd::ProtocolBlockSize - 1),
         kBuffer, device_error::InvalidParameter},
        {"data length below a log", nvme.get(), modified(pd::DataLengthOffset, kLogSize - 1), kBuffer,
         device_error::InvalidParameter},
        {"output too small for the log", nvme.get(), HealthQuery(), kAnswer - 1, device_error::InsufficientBuffer},
        {"protocol block cut short", nvme.get(), HealthQuery(nvme_query::ProtocolBlock + pd::ProtocolBlockSize - 1),
         kBuffer, device_error::InvalidParameter},
        {"query header cut short", sata.get(), std::vector<std::uint8_t>(pq::HeaderSize - 1, 0), 8192,
         device_error::InvalidParameter},
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
    EXPECT_EQ(LoadLe32(out, dd::BusTypeOffset), 1u);
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
    EXPECT_EQ(buffer[pd::Size + kLogSize - 1], 0xFF);
}

}  // namespace
}  // namespace velmora
