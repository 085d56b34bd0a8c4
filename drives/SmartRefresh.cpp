#include "drives/SmartRefresh.h"

#include <stdexcept>

#include "drives/AtaSmartDecode.h"
#include "drives/NvmeHealthDecode.h"
#include "common/ErrorReport.h"

namespace velmora {

namespace {

constexpr int kLineRequestFailed = 176;
constexpr int kLineBadChecksum = 182;
constexpr std::int32_t kUnknown = -1;

}  // namespace

void ClrSMART_Attr(DriveTable& table, int index) {
    if (index < 0 || index >= kMaxDrives) throw std::out_of_range("Index out of range! (ClrSMART_Attr)");
    DriveInfo& drive = table[index];
    drive.SmartValid = 0;
    drive.Healthy = 0;
    drive.AvgEraseCount = kUnknown;
    drive.MaxEraseCount = kUnknown;
    drive.GBWritten = kUnknown;
    drive.Temperature = kUnknown;
    drive.OverTemperature = 0;
    drive.PowerOnHours = kUnknown;
    drive.PowerCycles = kUnknown;
    drive.LifePercent = kUnknown;
}

int RefreshDriveSmart(DriveTable& table, int index, PipeSystem& pipes) {
    DriveInfo& drive = table[index];

    ReplyBytes bytes{};
    const int requested = RequestSmartData(pipes, drive, bytes);
    if (requested != 0) {
        ReportError(unit::smart, kLineRequestFailed, requested);
        return -1;
    }
    // Checked before the entry is touched, so a damaged reply leaves the
    // values of the last good refresh in place.
    if (!ReplyChecksumOk(bytes.data(), bytes.size())) {
        ReportError(unit::smart, kLineBadChecksum, 0);
        return -1;
    }

    ClrSMART_Attr(table, index);
    const PipeReply reply = PipeReply::Decode(bytes);
    if (reply.DataValid == 0) return 0;
    switch (drive.InterfaceType) {
        case kInterfaceNvme:
            return DecodeNvmeHealth(drive, reply);
        case kInterfaceSata:
            return DecodeAtaSmart(drive, reply);
        default:
            return -1;
    }
}

}  // namespace velmora
