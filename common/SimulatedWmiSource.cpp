#include "common/SimulatedWmiSource.h"

#include <utility>
#include <vector>

#include "common/AnsiText.h"
#include "common/WmiTable.h"

namespace velmora {

namespace {

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

WmiVariant TextOrNull(const std::optional<std::string>& value) {
    return value ? WmiVariant::Text(AnsiToUtf16(*value)) : WmiVariant::Null();
}

// Win32_DiskDrive names the bus the way Windows does: SATA behind AHCI is
// "IDE", NVMe and SAS are "SCSI". Without a bus type there is nothing to say.
WmiVariant InterfaceTypeCell(const std::optional<std::uint8_t>& busType) {
    if (!busType) return WmiVariant::Null();
    switch (*busType) {
    case 3:   // ATA
    case 11:  // SATA
        return WmiVariant::Text(u"IDE");
    case 4: return WmiVariant::Text(u"1394");
    case 7: return WmiVariant::Text(u"USB");
    default: return WmiVariant::Text(u"SCSI");
    }
}

struct Table {
    std::vector<std::u16string_view> Columns;
    std::vector<std::vector<WmiVariant>> Rows;
};

int Fill(const Table& answer, WmiTable& table) {
    if (answer.Rows.empty()) return wmi_result::NoObject;
    for (std::u16string_view name : answer.Columns) table.AddColumn(WmiVariant::Text(std::u16string(name)));
    for (const auto& row : answer.Rows) {
        table.AddRow();
        for (const WmiVariant& cell : row) table.AppendToLastRow(cell);
    }
    return wmi_result::Ok;
}

}  // namespace

SimulatedWmiSource::SimulatedWmiSource(DriveSet set, WmiSource& fallback)
    : set_(std::move(set)), fallback_(fallback) {}

int SimulatedWmiSource::Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) {
    if (SameName(nameSpace, kCimv2Namespace)) {
        if (SameName(className, kDiskDriveClass)) return DiskDrives(table);
        if (SameName(className, kOperatingSystemClass) && (set_.Broken || set_.Os)) return OperatingSystem(table);
    } else if (SameName(nameSpace, kWmiNamespace)) {
        if (SameName(className, kPredictStatusClass)) return PredictStatus(table);
        if (SameName(className, kPredictDataClass)) return PredictData(table);
    }
    return fallback_.Execute(nameSpace, className, table);
}

int SimulatedWmiSource::DiskDrives(WmiTable& table) const {
    if (set_.Broken) return wmi_result::NoObject;
    Table answer;
    answer.Columns = {u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber",
                      u"FirmwareRevision", u"Size", u"InterfaceType"};
    for (const DriveSetDisk& disk : set_.Disks) {
        const auto number = disk.NumericIndex();
        answer.Rows.push_back({
            number ? WmiVariant::Int32(*number) : TextOrNull(disk.Index),
            TextOrNull(disk.DeviceID),
            TextOrNull(disk.PNPDeviceID),
            TextOrNull(disk.Model),
            TextOrNull(disk.SerialNumber),
            TextOrNull(disk.FirmwareRevision),
            TextOrNull(disk.Size),
            InterfaceTypeCell(disk.BusType),
        });
    }
    return Fill(answer, table);
}

int SimulatedWmiSource::OperatingSystem(WmiTable& table) const {
    if (set_.Broken || !set_.Os) return wmi_result::NoObject;
    Table answer;
    answer.Columns = {u"Version"};
    answer.Rows.push_back({TextOrNull(set_.Os->Version)});
    return Fill(answer, table);
}

int SimulatedWmiSource::PredictStatus(WmiTable& table) const {
    if (set_.Broken) return wmi_result::NoObject;
    Table answer;
    answer.Columns = {u"InstanceName", u"Active", u"PredictFailure"};
    for (const DriveSetDisk& disk : set_.Disks) {
        if (!disk.HasPredictStatus()) continue;
        answer.Rows.push_back({
            TextOrNull(disk.EffectiveInstanceName()),
            WmiVariant::Bool(disk.Active.value_or(false)),
            WmiVariant::Bool(disk.PredictFailure.value_or(false)),
        });
    }
    return Fill(answer, table);
}

int SimulatedWmiSource::PredictData(WmiTable& table) const {
    if (set_.Broken) return wmi_result::NoObject;
    Table answer;
    answer.Columns = {u"InstanceName", u"Active", u"VendorSpecific"};
    for (const DriveSetDisk& disk : set_.Disks) {
        if (!disk.VendorSpecific) continue;
        std::vector<WmiVariant> elements;
        elements.reserve(disk.VendorSpecific->size());
        for (std::uint8_t byte : *disk.VendorSpecific) elements.push_back(WmiVariant::Integer(vt::UI1, byte));
        answer.Rows.push_back({
            TextOrNull(disk.EffectiveInstanceName()),
            WmiVariant::Bool(true),
            WmiVariant::Array(vt::UI1, 0, std::move(elements)),
        });
    }
    return Fill(answer, table);
}

}  // namespace velmora
