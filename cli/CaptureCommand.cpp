#include "cli/CaptureCommand.h"

#include <algorithm>

#include "drives/DriveEnumeration.h"
#include "drives/IdentityText.h"
#include "drives/StorageDescriptorDecode.h"
#include "cli/CommandLine.h"
#include "cli/DriveSetWriter.h"
#include "common/AnsiText.h"
#include "common/ByteOrder.h"
#include "common/WmiTable.h"

namespace velmora::cli {

namespace {

constexpr char16_t kCimv2[] = u"root\\cimv2";

std::optional<std::string> TextCell(const WmiTable& table, int row, std::u16string_view name) {
    WmiVariant value;
    if (table.GetValue(row, name, value) != 0 || value.IsNull() || value.IsEmpty() || value.IsArray())
        return std::nullopt;
    try {
        return Utf16ToAnsi(value.ToText());
    } catch (const VariantConversionError&) {
        return std::nullopt;
    }
}

// The raw descriptor string at offset, up to its terminator, kept undecoded so
// that replaying it goes through the same decoder as the machine's.
std::optional<std::string> RawDescriptorString(std::span<const std::uint8_t> descriptor, std::size_t offsetField) {
    if (descriptor.size() < offsetField + 4) return std::nullopt;
    const std::uint32_t offset = LoadLe32(descriptor, offsetField);
    if (offset == 0 || offset >= descriptor.size()) return std::nullopt;
    std::string text;
    for (std::size_t i = offset; i < descriptor.size() && descriptor[i] != 0; ++i) text.push_back(static_cast<char>(descriptor[i]));
    return text;
}

void CaptureDescriptor(DriveSetDisk& disk, DeviceIo& devices) {
    if (!disk.DeviceID) return;
    std::uint32_t error = 0;
    auto device = devices.Open(*disk.DeviceID, DeviceAccess::None, error);
    if (!device) return;
    const auto query = DeviceDescriptorQuery();
    std::vector<std::uint8_t> output(kDescriptorBufferSize, 0);
    const IoResult result = device->QueryProperty(query, output);
    if (!result.Ok || result.BytesReturned < device_descriptor::BusTypeOffset + 4) return;
    const std::span<const std::uint8_t> descriptor(output.data(), std::min<std::size_t>(result.BytesReturned, output.size()));
    disk.BusType = static_cast<std::uint8_t>(std::min<std::uint32_t>(LoadLe32(descriptor, device_descriptor::BusTypeOffset), 255));
    disk.ProductId = RawDescriptorString(descriptor, device_descriptor::ProductIdOffsetOffset);
    disk.ProductRevision = RawDescriptorString(descriptor, device_descriptor::ProductRevisionOffsetOffset);
    disk.DescriptorSerial = RawDescriptorString(descriptor, device_descriptor::SerialNumberOffsetOffset);
}

// The interface the enumeration would send for this disk, worked out by the
// enumeration's own steps: the descriptor's bus type, else the family of the
// firmware revision as the descriptor may have replaced it.
std::int32_t EnumerationInterface(const DriveSetDisk& disk, DeviceIo& devices) {
    DriveInfo drive;
    drive.DeviceID = disk.DeviceID.value_or("");
    drive.FirmwareRevision = TrimBlanks(disk.FirmwareRevision.value_or("")).substr(0, kFirmwareMaxLength);
    // The pair swap touches only the serial number, which is not needed here.
    if (disk.DeviceID) (void)QueryStorageDescriptor(drive, devices, "");
    if (drive.InterfaceType == kInterfaceUnknown) drive.InterfaceType = InterfaceTypeFromFamily(FirmwareFamily(drive));
    return drive.InterfaceType;
}

void CaptureServiceAnswer(DriveSetDisk& disk, DeviceIo& devices, PipeSystem& pipes) {
    const std::optional<std::int32_t> index = disk.NumericIndex();
    if (!index) return;
    DriveInfo drive;
    drive.Index = *index;
    drive.InterfaceType = EnumerationInterface(disk, devices);
    drive.PNPDeviceID = disk.PNPDeviceID.value_or("");
    ReplyBytes bytes{};
    if (RequestSmartData(pipes, drive, bytes) != 0 || !ReplyChecksumOk(bytes.data(), bytes.size())) return;
    const PipeReply reply = PipeReply::Decode(bytes);
    if (drive.InterfaceType == kInterfaceNvme) {
        if (reply.DataValid && reply.DataLength >= static_cast<std::int32_t>(nvme_query::HealthLogSize)) {
            std::array<std::uint8_t, nvme_query::HealthLogSize> log{};
            std::copy_n(reply.Data.begin(), nvme_query::HealthLogSize, log.begin());
            disk.HealthLog = log;
        }
        return;
    }
    if (reply.StatusValid) {
        disk.Active = reply.Active != 0;
        disk.PredictFailure = reply.PredictFailure != 0;
    }
    if (reply.DataValid) {
        const auto length = static_cast<std::size_t>(std::clamp<std::int32_t>(reply.DataLength, 0, PIPE_DATA_SIZE));
        disk.VendorSpecific = std::vector<std::uint8_t>(reply.Data.begin(), reply.Data.begin() + static_cast<std::ptrdiff_t>(length));
    }
}

}  // namespace

DriveSet CaptureDriveSet(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes) {
    DriveSet set;
    {
        WmiTable os(wmi);
        if (os.Execute(kCimv2, u"Win32_OperatingSystem") == 0 && os.RowCount() > 0)
            set.Os = DriveSetOs{TextCell(os, 0, u"Version")};
    }
    WmiTable disks(wmi);
    if (disks.Execute(kCimv2, u"Win32_DiskDrive") != 0) {
        set.Broken = true;
        return set;
    }
    for (int row = 0; row < disks.RowCount(); ++row) {
        DriveSetDisk disk;
        disk.Index = TextCell(disks, row, u"Index");
        disk.DeviceID = TextCell(disks, row, u"DeviceID");
        disk.PNPDeviceID = TextCell(disks, row, u"PNPDeviceID");
        disk.Model = TextCell(disks, row, u"Model");
        disk.SerialNumber = TextCell(disks, row, u"SerialNumber");
        disk.FirmwareRevision = TextCell(disks, row, u"FirmwareRevision");
        disk.Size = TextCell(disks, row, u"Size");
        CaptureDescriptor(disk, devices);
        CaptureServiceAnswer(disk, devices, pipes);
        set.Disks.push_back(std::move(disk));
    }
    return set;
}

ConsoleOutput RunCapture(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes) {
    ConsoleOutput output;
    const DriveSet set = CaptureDriveSet(wmi, devices, pipes);
    if (set.Broken) {
        output.Err = "The disk drives could not be listed.\n";
        output.ExitStatus = exit_status::Failure;
        return output;
    }
    output.Out = FormatDriveSet(set, "Drive set captured by SMART_VELMORA_CLI capture");
    return output;
}

}  // namespace velmora::cli
