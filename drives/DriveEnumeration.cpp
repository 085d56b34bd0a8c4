#include "drives/DriveEnumeration.h"

#include <charconv>

#include "drives/IdentityText.h"
#include "drives/StorageDescriptorDecode.h"
#include "common/AnsiText.h"
#include "common/ErrorReport.h"
#include "common/PipeRecords.h"
#include "common/WmiTable.h"

namespace velmora {

namespace {

constexpr char16_t kNamespace[] = u"root\\cimv2";
constexpr char16_t kDiskDriveClass[] = u"Win32_DiskDrive";

// Lines of the failure points, as the event log names them.
namespace line {
constexpr int QueryFailed = 27;
constexpr int NoRows = 33;
constexpr int IndexRead = 45;
constexpr int IndexConversion = 57;
constexpr int DeviceIdRead = 63;
constexpr int PnpDeviceIdRead = 73;
constexpr int ModelRead = 84;
constexpr int SizeRead = 126;
}  // namespace line

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool ContainsAny(const std::string& text, std::span<const std::string_view> tokens) {
    for (auto token : tokens) {
        if (text.find(token) != std::string::npos) return true;
    }
    return false;
}

// Property names are matched exactly, as the table's lookup does: a provider
// that spells "DeviceID" otherwise (Wine's "DeviceId") fails the read.
int ReadProperty(const WmiTable& table, int row, std::u16string_view name, WmiVariant& out) {
    return table.GetValue(row, name, out);
}

std::string AnsiText(const WmiVariant& value) { return Utf16ToAnsi(value.TextValue()); }

enum class RowOutcome { Accepted, Skipped, Failed };

RowOutcome ReadCandidate(const WmiTable& wmiTable, int row, DriveInfo& entry, DeviceIo& io,
                         std::string_view osVersionPrefix) {
    entry.SerialNumber.clear();
    entry.FirmwareRevision.clear();
    WmiVariant value;

    if (ReadProperty(wmiTable, row, u"Index", value) != 0) {
        ReportError(unit::smart, line::IndexRead, -1);
        return RowOutcome::Failed;
    }
    if (!value.IsInt32()) return RowOutcome::Skipped;
    try {
        entry.Index = value.ToInt32();
    } catch (const VariantConversionError&) {
        ReportError(unit::smart, line::IndexConversion, 0);
        return RowOutcome::Failed;
    }

    if (ReadProperty(wmiTable, row, u"DeviceID", value) != 0) {
        ReportError(unit::smart, line::DeviceIdRead, -1);
        return RowOutcome::Failed;
    }
    if (!value.IsText()) return RowOutcome::Skipped;
    entry.DeviceID = AnsiText(value);

    if (ReadProperty(wmiTable, row, u"PNPDeviceID", value) != 0) {
        ReportError(unit::smart, line::PnpDeviceIdRead, -1);
        return RowOutcome::Failed;
    }
    if (!value.IsText()) return RowOutcome::Skipped;
    entry.PNPDeviceID = AnsiText(value);

    if (ReadProperty(wmiTable, row, u"Model", value) != 0) {
        ReportError(unit::smart, line::ModelRead, -1);
        return RowOutcome::Failed;
    }
    if (!value.IsText()) return RowOutcome::Skipped;
    entry.Model = AnsiText(value).substr(0, kModelMaxLength);

    if (ReadProperty(wmiTable, row, u"SerialNumber", value) == 0) {
        if (value.IsText()) entry.SerialNumber = TrimBlanks(DecodeSerialText(AnsiText(value))).substr(0, kSerialMaxLength);
        // Windows 7 publishes ATA serials with each byte pair swapped.
        if (osVersionPrefix == "6.1") entry.SerialNumber = SwapCharPairs(entry.SerialNumber);
    }

    if (ReadProperty(wmiTable, row, u"FirmwareRevision", value) == 0 && value.IsText()) {
        entry.FirmwareRevision = TrimBlanks(AnsiText(value)).substr(0, kFirmwareMaxLength);
    }

    entry.InterfaceType = kInterfaceUnknown;
    (void)QueryStorageDescriptor(entry, io, osVersionPrefix);  // whether texts changed does not matter here

    if (!IsMakersDrive(entry.Model, entry.FirmwareRevision)) return RowOutcome::Skipped;

    if (ReadProperty(wmiTable, row, u"Size", value) != 0) {
        ReportError(unit::smart, line::SizeRead, -1);
        return RowOutcome::Failed;
    }
    if (!value.IsText()) return RowOutcome::Skipped;
    entry.CapacityGB = CapacityGBFromSize(AnsiText(value));

    if (entry.InterfaceType == kInterfaceUnknown) entry.InterfaceType = InterfaceTypeFromFamily(FirmwareFamily(entry));
    return RowOutcome::Accepted;
}

}  // namespace

bool IsMakersDrive(std::string_view model, std::string_view firmwareRevision) {
    return ContainsAny(UpperAscii(model), kModelTokens) && ContainsAny(UpperAscii(firmwareRevision), kFirmwareTokens);
}

std::int32_t CapacityGBFromSize(std::string_view sizeText) {
    std::int64_t bytes = 0;
    const char* end = sizeText.data() + sizeText.size();
    const auto parsed = std::from_chars(sizeText.data(), end, bytes);
    if (parsed.ec != std::errc() || parsed.ptr != end) bytes = 0;
    const std::int64_t gigabytes = bytes / 1000 / 1000 / 1000;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(gigabytes) & 0xFFFFFFFFu));
}

std::int32_t InterfaceTypeFromFamily(const std::string& family) {
    if (family == "Q3" || family == "Q5" || family == "QC" || family == "QD") return kInterfaceSata;
    if (family == "N2") return kInterfaceNvme;
    return kInterfaceUnknown;
}

int EnumerateDrives(DriveTable& table, WmiSource& wmi, DeviceIo& io, std::string_view osVersionPrefix) {
    WmiTable wmiTable(wmi);
    const int result = wmiTable.Execute(kNamespace, kDiskDriveClass);
    if (result != 0) {
        ReportError(unit::smart, line::QueryFailed, result);
        return -1;
    }
    const int rowCount = wmiTable.RowCount();
    if (rowCount < 1) {
        ReportError(unit::smart, line::NoRows, rowCount);
        return -1;
    }

    int accepted = 0;
    for (int row = 0; row < rowCount && accepted < kMaxDrives; ++row) {
        // A rejected candidate's texts stay here until the next one overwrites them.
        switch (ReadCandidate(wmiTable, row, table[accepted], io, osVersionPrefix)) {
            case RowOutcome::Failed: return -1;
            case RowOutcome::Skipped: break;
            case RowOutcome::Accepted:
                ++accepted;
                table.SetDisksCount(accepted);
                break;
        }
    }
    return 0;
}

}  // namespace velmora
