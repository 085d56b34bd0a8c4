// A service reply as the toolbox decodes it: the ATA attribute block and the
// NVMe health log of any content and any DataLength, for each firmware
// family, then the refresh and the raw report's SMART section. The life
// meter stays on its 0..100 scale, and nothing is read past Data: the byte
// after it (the checksum) may take any value without changing a result.
//
// Input: a family byte, an interface byte, the five int32 fields of the
// reply, then up to 4096 bytes of Data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drives/AtaSmartDecode.h"
#include "drives/DriveHealth.h"
#include "drives/NvmeHealthDecode.h"
#include "drives/RawReport.h"
#include "drives/SmartRefresh.h"
#include "drives/StorageDescriptorDecode.h"
#include "common/PipeRecords.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDevicesByPath.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora {
namespace {

constexpr const char* kRevisions[] = {"Q3RT1A0", "Q5RT2B1", "QCRT3C0", "QDRT4D0", "N2RT1A05", "XYZ123", "", "Q"};
constexpr std::int32_t kBusTypes[] = {bus_type::Sata, bus_type::Ata, bus_type::Nvme, bus_type::Usb, 0};

bool SameSmartHalf(const DriveInfo& a, const DriveInfo& b) {
    return a.SmartValid == b.SmartValid && a.Healthy == b.Healthy && a.WarningShown == b.WarningShown &&
           a.AvgEraseCount == b.AvgEraseCount && a.MaxEraseCount == b.MaxEraseCount && a.GBWritten == b.GBWritten &&
           a.Temperature == b.Temperature && a.OverTemperature == b.OverTemperature &&
           a.PowerOnHours == b.PowerOnHours && a.PowerCycles == b.PowerCycles && a.LifePercent == b.LifePercent;
}

void CheckLife(const DriveInfo& drive) {
    const std::int32_t life = LifeMeterValue(drive);
    FUZZ_CHECK(life >= 0 && life <= 100);
    const HealthStatus status = DriveStatus(drive);
    FUZZ_CHECK(!HealthStatusText(status).empty());
}

// Decodes the reply into a freshly cleared entry of the family.
DriveInfo Decode(const PipeReply& reply, const std::string& revision, bool nvme) {
    DriveTable table;
    table.SetDisksCount(1);
    table[0].FirmwareRevision = revision;
    ClrSMART_Attr(table, 0);
    DriveInfo& drive = table[0];
    const int result = nvme ? DecodeNvmeHealth(drive, reply) : DecodeAtaSmart(drive, reply);
    FUZZ_CHECK(result == 0);
    CheckLife(drive);
    return drive;
}

void CheckRefresh(const PipeReply& reply, const std::string& revision, std::int32_t interfaceType) {
    fakes::FakeSmartService service;
    service.SetReply(0, SealReply(reply));
    DriveTable table;
    table.SetDisksCount(1);
    table[0].FirmwareRevision = revision;
    table[0].InterfaceType = interfaceType;
    const int result = RefreshDriveSmart(table, 0, service);
    FUZZ_CHECK(result == 0 || result == -1);
    CheckLife(table[0]);
}

std::vector<std::string> RawLines(const PipeReply& reply, std::int32_t busType) {
    fakes::FakeWmiSource wmi;
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive",
            {{u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"},
             {{WmiVariant::Int32(0), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0"), WmiVariant::Text(u"SCSI\\DISK"),
               WmiVariant::Text(u"Disk"), WmiVariant::Text(u"SN"), WmiVariant::Text(u"FW"),
               WmiVariant::Text(u"1000000000")}},
             0});
    fakes::FakeDevicesByPath devices;
    devices.Descriptors["\\\\.\\PHYSICALDRIVE0"] = fakes::BuildDescriptor({{}, {}, {}, busType});
    fakes::FakeSmartService service;
    service.SetReply(0, reply.Encode());
    const RawReport report = CollectRawReport(wmi, devices, service, "10.");
    FUZZ_CHECK(report.Result == 0);

    // Five identity lines and two blank ones around the SMART section.
    const std::size_t usable = UsableDataLength(reply.DataLength);
    FUZZ_CHECK(report.Lines.size() >= 7);
    const std::size_t section = report.Lines.size() - 7;
    if (section == 0) return report.Lines;
    FUZZ_CHECK(reply.DataValid != 0 && reply.DataLength > 0);
    if (busType == bus_type::Nvme) {
        FUZZ_CHECK(section == 1 + (usable + 15) / 16);
        for (std::size_t i = 6; i < 5 + section; ++i) {
            FUZZ_CHECK(report.Lines[i].size() <= 32 && report.Lines[i].size() % 2 == 0);
        }
    } else {
        FUZZ_CHECK(busType == bus_type::Sata || busType == bus_type::Ata);
        FUZZ_CHECK(section >= 2 && section - 2 <= AtaAttributeCount(reply.DataLength));
    }
    return report.Lines;
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    fuzz::InputReader input(data, size);
    const std::uint8_t family = input.Byte();
    const std::uint8_t bus = input.Byte();
    PipeReply reply;
    reply.StatusValid = static_cast<std::int32_t>(input.Le32());
    reply.Active = static_cast<std::int32_t>(input.Le32());
    reply.PredictFailure = static_cast<std::int32_t>(input.Le32());
    reply.DataValid = static_cast<std::int32_t>(input.Le32());
    reply.DataLength = static_cast<std::int32_t>(input.Le32());
    const auto rest = input.Rest();
    std::copy_n(rest.begin(), std::min(rest.size(), PIPE_DATA_SIZE), reply.Data.begin());

    const std::string revision = kRevisions[family % std::size(kRevisions)];
    const std::int32_t busType = kBusTypes[bus % std::size(kBusTypes)];
    FUZZ_CHECK(UsableDataLength(reply.DataLength) <= PIPE_DATA_SIZE);
    FUZZ_CHECK(AtaAttributeCount(reply.DataLength) * kAtaAttributeSize + kAtaAttributeOffset <= PIPE_DATA_SIZE);

    PipeReply other = reply;
    reply.Checksum = 0x00;
    other.Checksum = 0xFF;
    for (const bool nvme : {false, true}) {
        FUZZ_CHECK(SameSmartHalf(Decode(reply, revision, nvme), Decode(other, revision, nvme)));
    }
    CheckRefresh(reply, revision, kInterfaceSata);
    CheckRefresh(reply, revision, kInterfaceNvme);
    FUZZ_CHECK(RawLines(reply, busType) == RawLines(other, busType));
    return 0;
}
