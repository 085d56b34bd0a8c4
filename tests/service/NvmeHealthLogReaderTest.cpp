#include "service/NvmeHealthLogReader.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "common/ByteOrder.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::BuildProtocolAnswer;
using fakes::FakeDeviceIo;
using fakes::RecordingEventSink;

namespace pd = protocol_descriptor;
namespace pq = property_query;
constexpr std::uint32_t kLogSize = nvme_query::HealthLogSize;
constexpr std::uint32_t kRightAfterBlock = pd::ProtocolBlockSize;
// The latest data offset at which a health log still ends inside the buffer.
constexpr std::uint32_t kLastFit = nvme_query::BufferSize - nvme_query::ProtocolBlock - kLogSize;

std::vector<std::uint8_t> GoodDescriptor() { return BuildProtocolAnswer({}); }

TEST(ReadNvmeHealthLog, CopiesThe512ByteLogAndClosesTheDrive) {
    FakeDeviceIo devices;
    devices.Output = GoodDescriptor();
    RecordingEventSink sink;
    PipeReply reply;
    ASSERT_EQ(ReadNvmeHealthLog(devices, 3, reply), 0);
    EXPECT_EQ(reply.DataLength, static_cast<std::int32_t>(kLogSize));
    for (std::size_t i = 0; i < kLogSize; ++i) ASSERT_EQ(reply.Data[i], static_cast<std::uint8_t>(i + 1)) << i;
    for (std::size_t i = kLogSize; i < PIPE_DATA_SIZE; ++i) ASSERT_EQ(reply.Data[i], 0) << i;
    EXPECT_EQ(devices.OpenedPaths, std::vector<std::string>{"\\\\.\\PhysicalDrive3"});
    EXPECT_EQ(devices.OpenedAccess, std::vector<DeviceAccess>{DeviceAccess::ReadWrite});
    EXPECT_EQ(devices.ClosedCount, 1);
    EXPECT_TRUE(sink.Entries.empty());
}

TEST(ReadNvmeHealthLog, AsksForTheHealthLogPageInOneSharedBuffer) {
    FakeDeviceIo devices;
    devices.Output = GoodDescriptor();
    RecordingEventSink sink;
    PipeReply reply;
    ASSERT_EQ(ReadNvmeHealthLog(devices, 0, reply), 0);
    const std::vector<std::uint8_t>& in = devices.LastInput;
    ASSERT_EQ(in.size(), nvme_query::BufferSize);
    EXPECT_TRUE(devices.InputWasOutput);
    EXPECT_EQ(devices.LastOutputSize, nvme_query::BufferSize);
    EXPECT_EQ(LoadLe32(in, pq::PropertyIdOffset), pq::StorageDeviceProtocolSpecificProperty);
    EXPECT_EQ(LoadLe32(in, pq::QueryTypeOffset), pq::PropertyStandardQuery);
    const auto block = std::span(in).subspan(nvme_query::ProtocolBlock, pd::ProtocolBlockSize);
    const std::pair<std::size_t, std::uint32_t> fields[] = {
        {pd::ProtocolTypeOffset, pd::ProtocolTypeNvme},
        {pd::DataTypeOffset, pd::NvmeDataTypeLogPage},
        {pd::RequestValueOffset, nvme_query::HealthInfoLogId},
        {pd::RequestSubValueOffset, 0},
        {pd::DataOffsetOffset, kRightAfterBlock},
        {pd::DataLengthOffset, kLogSize},
    };
    for (const auto& [offset, value] : fields) EXPECT_EQ(LoadLe32(block, offset), value) << "offset " << offset;
    const std::size_t filled = nvme_query::ProtocolBlock + pd::DataLengthOffset + sizeof(std::uint32_t);
    for (std::size_t i = filled; i < in.size(); ++i) ASSERT_EQ(in[i], 0) << i;
}

struct PlacementCase {
    const char* what;
    std::uint32_t offset;
    std::uint32_t length;
};

TEST(ReadNvmeHealthLog, CopiesOnlyTheFirst512BytesWhereverTheDriverPlacesThem) {
    const PlacementCase cases[] = {
        {"log right after the protocol block", kRightAfterBlock, kLogSize},
        {"longer log", kRightAfterBlock, nvme_query::DataRoom},
        {"log further back", 100, kLogSize},
        {"log ending exactly at the buffer's end", kLastFit, kLogSize},
    };
    for (const PlacementCase& c : cases) {
        FakeDeviceIo devices;
        devices.Output = BuildProtocolAnswer({.DataOffset = c.offset, .DataLength = c.length});
        RecordingEventSink sink;
        PipeReply reply;
        ASSERT_EQ(ReadNvmeHealthLog(devices, 1, reply), 0) << c.what;
        EXPECT_EQ(reply.DataLength, static_cast<std::int32_t>(kLogSize)) << c.what;
        EXPECT_EQ(reply.Data[0], 1) << c.what;
        EXPECT_EQ(reply.Data[kLogSize - 1], static_cast<std::uint8_t>(kLogSize)) << c.what;
        EXPECT_EQ(reply.Data[kLogSize], 0) << c.what;
        EXPECT_TRUE(sink.Entries.empty()) << c.what;
    }
}

struct NvmeFailure {
    const char* what;
    std::uint32_t openError;
    std::uint32_t queryError;
    bool returnNothing;
    std::vector<std::uint8_t> output;
    std::string entry;
};

TEST(ReadNvmeHealthLog, ReportsEachFailureAndLeavesTheReplyUntouched) {
    const NvmeFailure cases[] = {
        {"no such drive", 2, 0, false, GoodDescriptor(), "FILE NVMe LINE 202 CODE 2"},
        {"access denied", 5, 0, false, GoodDescriptor(), "FILE NVMe LINE 202 CODE 5"},
        {"query refused", 0, 1, false, GoodDescriptor(), "FILE NVMe LINE 218 CODE 1"},
        {"query not supported", 0, 50, false, GoodDescriptor(), "FILE NVMe LINE 218 CODE 50"},
        {"query returns nothing", 0, 0, true, GoodDescriptor(), "FILE NVMe LINE 218 CODE 0"},
        {"wrong version", 0, 0, false, BuildProtocolAnswer({.Version = pd::Size - 1}), "FILE NVMe LINE 228 CODE 0"},
        {"wrong size", 0, 0, false, BuildProtocolAnswer({.Size = pd::ProtocolBlockSize}), "FILE NVMe LINE 228 CODE 0"},
        {"descriptor left empty", 0, 0, false, std::vector<std::uint8_t>(16, 0), "FILE NVMe LINE 228 CODE 0"},
        {"offset inside the protocol block", 0, 0, false, BuildProtocolAnswer({.DataOffset = kRightAfterBlock - 1}),
         "FILE NVMe LINE 237 CODE 0"},
        {"log shorter than 512", 0, 0, false, BuildProtocolAnswer({.DataLength = kLogSize - 1}),
         "FILE NVMe LINE 237 CODE 0"},
        {"log reaching one byte past the buffer", 0, 0, false, BuildProtocolAnswer({.DataOffset = kLastFit + 1}),
         "FILE NVMe LINE 237 CODE 0"},
        {"offset far past the buffer", 0, 0, false, BuildProtocolAnswer({.DataOffset = 0xFFFFFFF0u}),
         "FILE NVMe LINE 237 CODE 0"},
        {"length reaching past the buffer", 0, 0, false,
         BuildProtocolAnswer({.DataOffset = 100, .DataLength = nvme_query::DataRoom}), "FILE NVMe LINE 237 CODE 0"},
        {"length far past the buffer", 0, 0, false, BuildProtocolAnswer({.DataLength = 0xFFFFFFFFu}),
         "FILE NVMe LINE 237 CODE 0"},
    };
    for (const NvmeFailure& c : cases) {
        FakeDeviceIo devices;
        devices.OpenError = c.openError;
        devices.QueryError = c.queryError;
        devices.ReturnNothing = c.returnNothing;
        devices.Output = c.output;
        RecordingEventSink sink;
        PipeReply reply;
        reply.DataLength = 77;
        reply.Data.fill(0xAB);
        EXPECT_EQ(ReadNvmeHealthLog(devices, 9, reply), -1) << c.what;
        EXPECT_EQ(sink.Entries, std::vector<std::string>{c.entry}) << c.what;
        EXPECT_EQ(reply.DataLength, 77) << c.what;
        EXPECT_EQ(reply.Data[0], 0xAB) << c.what;
        EXPECT_EQ(reply.Data[PIPE_DATA_SIZE - 1], 0xAB) << c.what;
        // Once opened, the drive is closed on every path.
        EXPECT_EQ(devices.ClosedCount, c.openError == 0 ? 1 : 0) << c.what;
    }
}

TEST(PhysicalDrivePath, AppendsTheDecimalDriveNumber) {
    EXPECT_EQ(PhysicalDrivePath(0), "\\\\.\\PhysicalDrive0");
    EXPECT_EQ(PhysicalDrivePath(15), "\\\\.\\PhysicalDrive15");
    EXPECT_EQ(PhysicalDrivePath(-1), "\\\\.\\PhysicalDrive-1");
}

}  // namespace
}  // namespace velmora
