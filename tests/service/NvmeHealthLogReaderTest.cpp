#include "service/NvmeHealthLogReader.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "common/ByteOrder.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::FakeDeviceIo;
using fakes::RecordingEventSink;

// What a driver writes back: the 48-byte descriptor followed by log bytes
// that count up from 1, placed at the given offset from the protocol block.
std::vector<std::uint8_t> Descriptor(std::uint32_t version, std::uint32_t size, std::uint32_t offset,
                                     std::uint32_t length) {
    std::vector<std::uint8_t> bytes(nvme_query::BufferSize, 0);
    StoreLe32(bytes, 0, version);
    StoreLe32(bytes, 4, size);
    StoreLe32(bytes, 8, nvme_query::ProtocolTypeNvme);
    StoreLe32(bytes, 24, offset);
    StoreLe32(bytes, 28, length);
    for (std::size_t i = 8 + offset, n = 1; i < bytes.size(); ++i, ++n) bytes[i] = static_cast<std::uint8_t>(n);
    return bytes;
}

std::vector<std::uint8_t> GoodDescriptor() { return Descriptor(48, 48, 40, 512); }

std::vector<std::uint8_t> ThrowBadAlloc(std::size_t) { throw std::bad_alloc(); }

TEST(ReadNvmeHealthLog, CopiesThe512ByteLogAndClosesTheDrive) {
    FakeDeviceIo devices;
    devices.Output = GoodDescriptor();
    RecordingEventSink sink;
    PipeReply reply;
    ASSERT_EQ(ReadNvmeHealthLog(devices, 3, reply), 0);
    EXPECT_EQ(reply.DataLength, 512);
    for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(reply.Data[i], static_cast<std::uint8_t>(i + 1)) << i;
    for (std::size_t i = 512; i < PIPE_DATA_SIZE; ++i) ASSERT_EQ(reply.Data[i], 0) << i;
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
    ASSERT_EQ(in.size(), 4144u);
    EXPECT_TRUE(devices.InputWasOutput);
    EXPECT_EQ(devices.LastOutputSize, 4144u);
    const std::pair<std::size_t, std::uint32_t> fields[] = {
        {0, 50}, {4, 0}, {8, 3}, {12, 2}, {16, 2}, {20, 0}, {24, 40}, {28, 512},
    };
    for (const auto& [offset, value] : fields) EXPECT_EQ(LoadLe32(in, offset), value) << "offset " << offset;
    for (std::size_t i = 32; i < in.size(); ++i) ASSERT_EQ(in[i], 0) << i;
}

struct PlacementCase {
    const char* what;
    std::uint32_t offset;
    std::uint32_t length;
};

TEST(ReadNvmeHealthLog, CopiesOnlyTheFirst512BytesWhereverTheDriverPlacesThem) {
    const PlacementCase cases[] = {
        {"log right after the protocol block", 40, 512},
        {"longer log", 40, 4096},
        {"log further back", 100, 512},
        {"log ending exactly at the buffer's end", 4144 - 8 - 512, 512},
    };
    for (const PlacementCase& c : cases) {
        FakeDeviceIo devices;
        devices.Output = Descriptor(48, 48, c.offset, c.length);
        RecordingEventSink sink;
        PipeReply reply;
        ASSERT_EQ(ReadNvmeHealthLog(devices, 1, reply), 0) << c.what;
        EXPECT_EQ(reply.DataLength, 512) << c.what;
        EXPECT_EQ(reply.Data[0], 1) << c.what;
        EXPECT_EQ(reply.Data[511], static_cast<std::uint8_t>(512)) << c.what;
        EXPECT_EQ(reply.Data[512], 0) << c.what;
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
        {"wrong version", 0, 0, false, Descriptor(47, 48, 40, 512), "FILE NVMe LINE 228 CODE 0"},
        {"wrong size", 0, 0, false, Descriptor(48, 40, 40, 512), "FILE NVMe LINE 228 CODE 0"},
        {"descriptor left empty", 0, 0, false, std::vector<std::uint8_t>(16, 0), "FILE NVMe LINE 228 CODE 0"},
        {"offset inside the protocol block", 0, 0, false, Descriptor(48, 48, 39, 512), "FILE NVMe LINE 237 CODE 0"},
        {"log shorter than 512", 0, 0, false, Descriptor(48, 48, 40, 511), "FILE NVMe LINE 237 CODE 0"},
        {"log reaching one byte past the buffer", 0, 0, false, Descriptor(48, 48, 4144 - 8 - 511, 512),
         "FILE NVMe LINE 237 CODE 0"},
        {"offset far past the buffer", 0, 0, false, Descriptor(48, 48, 0xFFFFFFF0u, 512), "FILE NVMe LINE 237 CODE 0"},
        {"length reaching past the buffer", 0, 0, false, Descriptor(48, 48, 100, 4096), "FILE NVMe LINE 237 CODE 0"},
        {"length far past the buffer", 0, 0, false, Descriptor(48, 48, 40, 0xFFFFFFFFu), "FILE NVMe LINE 237 CODE 0"},
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

TEST(ReadNvmeHealthLog, ReportsLine170WithOutOfMemoryWhenTheBufferCannotBeHad) {
    FakeDeviceIo devices;
    devices.Output = GoodDescriptor();
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(ReadNvmeHealthLog(devices, 0, reply, &ThrowBadAlloc), -1);
    EXPECT_EQ(sink.Entries, std::vector<std::string>{"FILE NVMe LINE 170 CODE 8"});
    EXPECT_TRUE(devices.OpenedPaths.empty());
    EXPECT_EQ(reply.DataLength, 0);
}

TEST(PhysicalDrivePath, AppendsTheDecimalDriveNumber) {
    EXPECT_EQ(PhysicalDrivePath(0), "\\\\.\\PhysicalDrive0");
    EXPECT_EQ(PhysicalDrivePath(15), "\\\\.\\PhysicalDrive15");
    EXPECT_EQ(PhysicalDrivePath(-1), "\\\\.\\PhysicalDrive-1");
}

}  // namespace
}  // namespace velmora
