#include "drives/RawReport.h"

#include <cstdio>
#include <optional>

#include "drives/AtaSmartDecode.h"
#include "drives/DriveEnumeration.h"
#include "drives/IdentityText.h"
#include "drives/StorageDescriptorDecode.h"
#include "common/AnsiText.h"
#include "common/ErrorReport.h"
#include "common/WmiTable.h"

namespace velmora {

namespace {

namespace line {
constexpr int QueryFailed = 58;
constexpr int NoRows = 64;
constexpr int IndexRead = 73;
constexpr int IndexConversion = 86;
constexpr int DeviceIdRead = 92;
constexpr int PnpDeviceIdRead = 102;
constexpr int ModelRead = 113;
constexpr int SizeRead = 136;
}  // namespace line

constexpr std::size_t kDumpBytesPerLine = 16;

enum class RowOutcome { Listed, Skipped, Failed };

std::string AnsiText(const WmiVariant& value) { return Utf16ToAnsi(value.ToText()); }

// Reads a property that must be present: a read failure is reported at
// failLine with the layer's result and ends the report.
std::optional<WmiVariant> ReadRequired(const WmiTable& table, int row, std::u16string_view name, int failLine) {
    WmiVariant value;
    const int result = table.GetValue(row, name, value);
    if (result != 0) {
        ReportError(unit::URawSMART, failLine, result);
        return std::nullopt;
    }
    return value;
}

// Fills the identity fields of one disk from its row; Listed when the disk
// belongs in the report.
RowOutcome ReadDisk(const WmiTable& table, int row, DriveInfo& disk) {
    auto value = ReadRequired(table, row, u"Index", line::IndexRead);
    if (!value) return RowOutcome::Failed;
    if (!value->IsInt32()) return RowOutcome::Skipped;
    try {
        disk.Index = value->ToInt32();
    } catch (const VariantConversionError&) {
        ReportError(unit::URawSMART, line::IndexConversion, 0);
        return RowOutcome::Failed;
    }

    value = ReadRequired(table, row, u"DeviceID", line::DeviceIdRead);
    if (!value) return RowOutcome::Failed;
    if (!value->IsText()) return RowOutcome::Skipped;
    disk.DeviceID = AnsiText(*value);

    value = ReadRequired(table, row, u"PNPDeviceID", line::PnpDeviceIdRead);
    if (!value) return RowOutcome::Failed;
    if (!value->IsText()) return RowOutcome::Skipped;
    disk.PNPDeviceID = AnsiText(*value);

    value = ReadRequired(table, row, u"Model", line::ModelRead);
    if (!value) return RowOutcome::Failed;
    if (!value->IsText()) return RowOutcome::Skipped;
    disk.Model = AnsiText(*value).substr(0, kModelMaxLength);

    // Optional texts: a missing or non-text value leaves the field empty. The
    // WMI serial is listed as the driver gives it, without the pair swap.
    WmiVariant optional;
    if (table.GetValue(row, u"SerialNumber", optional) == 0 && optional.IsText()) {
        disk.SerialNumber = TrimBlanks(DecodeSerialText(AnsiText(optional))).substr(0, kSerialMaxLength);
    }
    if (table.GetValue(row, u"FirmwareRevision", optional) == 0 && optional.IsText()) {
        disk.FirmwareRevision = TrimBlanks(AnsiText(optional)).substr(0, kFirmwareMaxLength);
    }

    value = ReadRequired(table, row, u"Size", line::SizeRead);
    if (!value) return RowOutcome::Failed;
    if (!value->IsText()) return RowOutcome::Skipped;
    disk.CapacityGB = CapacityGBFromSize(AnsiText(*value));
    return RowOutcome::Listed;
}

std::string AtaAttributeLine(const AtaAttribute& attribute) {
    char text[64];
    std::snprintf(text, sizeof text, "%02x\t%04x\t%02x\t%02x\t%08x%08x", static_cast<unsigned>(attribute.Id),
                  static_cast<unsigned>(attribute.Flags), static_cast<unsigned>(attribute.Current),
                  static_cast<unsigned>(attribute.Worst), static_cast<unsigned>(attribute.RawHigh24),
                  static_cast<unsigned>(attribute.Raw32));
    return text;
}

void AppendAtaTable(const PipeReply& reply, std::vector<std::string>& lines) {
    lines.emplace_back("SMART attributes:");
    lines.emplace_back("Number\tFlag\tValue\tWorst\tRAW");
    const std::size_t count = AtaAttributeCount(reply.DataLength);
    for (std::size_t entry = 0; entry < count; ++entry) {
        const AtaAttribute attribute = ReadAtaAttribute(reply.Data, entry);
        if (attribute.Id != 0) lines.push_back(AtaAttributeLine(attribute));
    }
}

void AppendHexDump(const PipeReply& reply, std::vector<std::string>& lines) {
    lines.emplace_back("SMART attributes:");
    const std::size_t length = UsableDataLength(reply.DataLength);
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t start = 0; start < length; start += kDumpBytesPerLine) {
        std::string text;
        for (std::size_t i = start; i < length && i < start + kDumpBytesPerLine; ++i) {
            text += kDigits[reply.Data[i] >> 4];
            text += kDigits[reply.Data[i] & 0x0F];
        }
        lines.push_back(std::move(text));
    }
}

void AppendSmartSection(DriveInfo& disk, PipeSystem& pipes, std::vector<std::string>& lines) {
    ReplyBytes bytes{};
    // RequestSmartData gives 0 only for a whole reply, so no stale or
    // missing bytes are listed; the checksum is not examined here.
    if (RequestSmartData(pipes, disk, bytes) != 0) return;
    const PipeReply reply = PipeReply::Decode(bytes);
    if (reply.DataValid == 0 || reply.DataLength <= 0) return;
    switch (disk.InterfaceType) {
        case kInterfaceSata:
        case kInterfacePata:
            AppendAtaTable(reply, lines);
            break;
        case kInterfaceNvme:
            AppendHexDump(reply, lines);
            break;
        default:
            break;
    }
}

void AppendDisk(DriveInfo& disk, PipeSystem& pipes, std::vector<std::string>& lines) {
    lines.push_back("Model: " + disk.Model);
    lines.push_back("Serial number: " + disk.SerialNumber);
    lines.push_back("Firmware: " + disk.FirmwareRevision);
    lines.push_back("Size: " + std::to_string(disk.CapacityGB) + "GB");
    lines.push_back("Interface: " + std::string(InterfaceText(disk.InterfaceType)));
    AppendSmartSection(disk, pipes, lines);
    lines.emplace_back();
    lines.emplace_back();
}

}  // namespace

std::string_view InterfaceText(std::int32_t interfaceType) {
    switch (interfaceType) {
        case kInterfaceSata:
            return "SATA";
        case kInterfaceNvme:
            return "NVMe";
        case kInterfacePata:
            return "PATA";
        case kInterfaceUsb:
            return "USB";
        default:
            return "UNKNOWN";
    }
}

RawReport CollectRawReport(WmiSource& wmi, DeviceIo& io, PipeSystem& pipes, std::string_view osVersionPrefix) {
    RawReport report;
    WmiTable table(wmi);
    const int executed = table.Execute(u"root\\cimv2", u"Win32_DiskDrive");
    if (executed != 0) {
        ReportError(unit::URawSMART, line::QueryFailed, executed);
        report.Result = -1;
        return report;
    }
    if (table.RowCount() < 1) {
        ReportError(unit::URawSMART, line::NoRows, table.RowCount());
        report.Result = -1;
        return report;
    }

    for (int row = 0; row < table.RowCount(); ++row) {
        DriveInfo disk;
        const RowOutcome outcome = ReadDisk(table, row, disk);
        if (outcome == RowOutcome::Failed) {
            report.Result = -1;
            return report;
        }
        if (outcome == RowOutcome::Skipped) continue;
        disk.InterfaceType = kInterfaceUnknown;
        (void)QueryStorageDescriptor(disk, io, osVersionPrefix);  // the report lists whatever it leaves
        AppendDisk(disk, pipes, report.Lines);
    }
    return report;
}

std::string RawReportFileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& text : lines) {
        bytes += text;
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace velmora
