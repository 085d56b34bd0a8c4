// A drive-set text, as support engineers and tests write by hand: any text
// is parsed or refused with a line number, and a parsed set drives the whole
// chain without fault: the simulated WMI classes and devices, the service's
// reply for each disk, the toolbox's enumeration, decoding and raw report.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drives/AtaSmartDecode.h"
#include "drives/DriveEnumeration.h"
#include "drives/DriveHealth.h"
#include "drives/NvmeHealthDecode.h"
#include "drives/PipeClient.h"
#include "drives/RawReport.h"
#include "drives/SmartRefresh.h"
#include "drives/StorageDescriptorDecode.h"
#include "common/DriveSet.h"
#include "common/PipeRecords.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "common/WmiTable.h"
#include "service/NvmeHealthLogReader.h"
#include "service/PipeReplyBuilder.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/LoopbackPipeSystem.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora {
namespace {

constexpr std::size_t kMaxDisksExamined = 16;

void CheckReply(const ReplyBytes& bytes) {
    FUZZ_CHECK(ReplyChecksumOk(bytes.data(), bytes.size()));
    const PipeReply reply = PipeReply::Decode(bytes);
    FUZZ_CHECK(reply.DataLength >= 0 && reply.DataLength <= static_cast<std::int32_t>(PIPE_DATA_SIZE));
}

void CheckClasses(const DriveSet& set, WmiSource& wmi) {
    const std::size_t withStatus = static_cast<std::size_t>(
        std::count_if(set.Disks.begin(), set.Disks.end(), [](const DriveSetDisk& d) { return d.HasPredictStatus(); }));
    const std::size_t withData = static_cast<std::size_t>(
        std::count_if(set.Disks.begin(), set.Disks.end(), [](const DriveSetDisk& d) { return d.VendorSpecific.has_value(); }));
    struct Query {
        const char16_t* NameSpace;
        const char16_t* ClassName;
        std::size_t Rows;
    };
    const Query queries[] = {
        {u"ROOT\\CIMV2", u"win32_diskdrive", set.Disks.size()},
        {kCimv2Namespace, kOperatingSystemClass, set.Os ? 1u : 0u},
        {kWmiNamespace, kPredictStatusClass, withStatus},
        {u"root\\wmi", kPredictDataClass, withData},
    };
    for (const Query& query : queries) {
        WmiTable table(wmi);
        const int result = table.Execute(query.NameSpace, query.ClassName);
        if (query.Rows == 0) {
            FUZZ_CHECK(result == wmi_result::NoObject);
            continue;
        }
        FUZZ_CHECK(result == wmi_result::Ok);
        FUZZ_CHECK(static_cast<std::size_t>(table.RowCount()) == query.Rows);
        for (const auto& row : table.Rows) FUZZ_CHECK(row.size() == table.Columns.size());
    }
}

void CheckDevices(const DriveSet& set, DeviceIo& io) {
    const std::size_t count = std::min(set.Disks.size(), kMaxDisksExamined);
    for (std::size_t i = 0; i < count; ++i) {
        const DriveSetDisk& disk = set.Disks[i];
        if (disk.DeviceID) {
            std::uint32_t error = 0;
            const auto device = io.Open(*disk.DeviceID, DeviceAccess::None, error);
            if (device) {
                // A descriptor of the set (the first disk that answers to the
                // path), cut to buffers of every telling size.
                const auto query = DeviceDescriptorQuery();
                namespace dd = device_descriptor;
                for (const std::size_t size : {std::size_t{0}, dd::HeaderSize - 1, dd::HeaderSize, dd::FixedSize,
                                               kDescriptorBufferSize}) {
                    std::vector<std::uint8_t> output(size, 0xAA);
                    const IoResult result = device->QueryProperty(query, output);
                    if (!result.Ok) continue;
                    FUZZ_CHECK(result.BytesReturned <= size);
                    const auto returned = std::span(output).first(result.BytesReturned);
                    FUZZ_CHECK(std::any_of(set.Disks.begin(), set.Disks.end(), [&](const DriveSetDisk& other) {
                        const std::vector<std::uint8_t> whole = BuildDeviceDescriptor(other);
                        return whole.size() >= returned.size() &&
                               std::equal(returned.begin(), returned.end(), whole.begin());
                    }));
                }
            }

            DriveInfo drive;
            drive.DeviceID = *disk.DeviceID;
            drive.Model = "model";
            static_cast<void>(QueryStorageDescriptor(drive, io, "10."));
            FUZZ_CHECK(drive.Model.size() <= kModelMaxLength);
            FUZZ_CHECK(drive.SerialNumber.size() <= kSerialMaxLength);
            FUZZ_CHECK(drive.FirmwareRevision.size() <= kFirmwareMaxLength);
        }
        if (const auto index = disk.NumericIndex()) {
            PipeReply reply;
            if (ReadNvmeHealthLog(io, *index, reply) == 0) {
                FUZZ_CHECK(reply.DataLength == static_cast<std::int32_t>(nvme_query::HealthLogSize));
            }
        }
    }
}

void CheckService(const DriveSet& set, PipeReplyBuilder& builder) {
    const std::size_t count = std::min(set.Disks.size(), kMaxDisksExamined);
    for (std::size_t i = 0; i < count; ++i) {
        const DriveSetDisk& disk = set.Disks[i];
        for (const std::int32_t interfaceType : {kInterfaceSata, kInterfaceNvme}) {
            const PipeRequest request{disk.NumericIndex().value_or(0), interfaceType,
                                      disk.EffectiveInstanceName().value_or("")};
            CheckReply(builder.Build(request.Encode()));
        }
    }
}

void CheckToolbox(WmiSource& wmi, DeviceIo& io, PipeSystem& pipes) {
    DriveTable table;
    static_cast<void>(EnumerateDrives(table, wmi, io, "10."));
    FUZZ_CHECK(table.DiskCount() >= 0 && table.DiskCount() <= kMaxDrives);
    for (int i = 0; i < table.DiskCount(); ++i) {
        ClrSMART_Attr(table, i);
        DriveInfo& drive = table[i];
        FUZZ_CHECK(drive.Model.size() <= kModelMaxLength);
        FUZZ_CHECK(drive.SerialNumber.size() <= kSerialMaxLength);
        FUZZ_CHECK(drive.FirmwareRevision.size() <= kFirmwareMaxLength);
        ReplyBytes bytes{};
        if (RequestSmartData(pipes, drive, bytes) != 0) continue;
        const PipeReply reply = PipeReply::Decode(bytes);
        const int decoded = drive.InterfaceType == kInterfaceNvme ? DecodeNvmeHealth(drive, reply)
                                                                  : DecodeAtaSmart(drive, reply);
        FUZZ_CHECK(decoded == 0);
        const std::int32_t life = LifeMeterValue(drive);
        FUZZ_CHECK(life >= 0 && life <= 100);
    }
    const RawReport report = CollectRawReport(wmi, io, pipes, "10.");
    FUZZ_CHECK(report.Result == 0 || report.Result == -1);
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DriveSetParseResult parsed = ParseDriveSet(text);
    const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
    if (!parsed.Ok()) {
        FUZZ_CHECK(parsed.Line >= 1 && parsed.Line <= lines);
        return 0;
    }
    FUZZ_CHECK(parsed.Line == 0);
    // Line counting holds whatever came before: a bad section after the
    // text is reported on the line after its last one.
    const DriveSetParseResult extended = ParseDriveSet(std::string(text) + "\n[bogus]");
    FUZZ_CHECK(extended.Error == DriveSetError::UnknownSection && extended.Line == lines + 1);
    const DriveSet& set = parsed.Set;
    FUZZ_CHECK(!set.Broken);

    fakes::FakeWmiSource machine;  // the machine's own classes: none
    SimulatedWmiSource wmi(set, machine);
    SimulatedDeviceIo io(set);
    PipeReplyBuilder builder(wmi, io);
    // The service behind the pipe answers every request the toolbox writes.
    fakes::LoopbackPipeSystem pipes(builder, [](std::span<const std::uint8_t> request, const ReplyBytes* reply) {
        FUZZ_CHECK(request.size() == PIPE_REQUEST_SIZE);
        FUZZ_CHECK(ReplyChecksumOk(reply->data(), reply->size()));
    });

    CheckClasses(set, wmi);
    CheckDevices(set, io);
    CheckService(set, builder);
    CheckToolbox(wmi, io, pipes);

    // A broken set answers like a machine without any of the classes.
    DriveSet broken = set;
    broken.Broken = true;
    SimulatedWmiSource brokenWmi(broken, machine);
    SimulatedDeviceIo brokenIo(broken);
    WmiTable table(brokenWmi);
    FUZZ_CHECK(table.Execute(kCimv2Namespace, kDiskDriveClass) == wmi_result::NoObject);
    if (!set.Disks.empty() && set.Disks.front().DeviceID) {
        std::uint32_t error = 0;
        FUZZ_CHECK(brokenIo.Open(*set.Disks.front().DeviceID, DeviceAccess::None, error) == nullptr);
    }
    return 0;
}
