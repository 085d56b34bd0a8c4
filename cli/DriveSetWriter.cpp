#include "cli/DriveSetWriter.h"

#include <cstdio>

namespace velmora::cli {

namespace {

std::string OneLine(const std::string& value) {
    std::string out;
    for (char c : value) out.push_back(c == '\r' || c == '\n' ? ' ' : c);
    return out;
}

void Key(std::string& out, const char* key, const std::optional<std::string>& value) {
    if (value) out += std::string(key) + "=" + OneLine(*value) + "\r\n";
}

template <typename Bytes>
std::string Hex(const Bytes& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    char pair[3];
    std::size_t count = 0;
    for (std::uint8_t b : bytes) {
        if (count) out += (count % 16 == 0) ? " " : "";
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
        ++count;
    }
    return out;
}

}  // namespace

std::string FormatDriveSet(const DriveSet& set, const std::string& headerComment) {
    std::string out = "; " + OneLine(headerComment) + "\r\n";
    if (set.Os) {
        out += "[os]\r\n";
        Key(out, "Version", set.Os->Version);
    }
    for (const DriveSetDisk& disk : set.Disks) {
        out += "\r\n[disk]\r\n";
        Key(out, "Index", disk.Index);
        Key(out, "DeviceID", disk.DeviceID);
        Key(out, "PNPDeviceID", disk.PNPDeviceID);
        Key(out, "Model", disk.Model);
        Key(out, "SerialNumber", disk.SerialNumber);
        Key(out, "FirmwareRevision", disk.FirmwareRevision);
        Key(out, "Size", disk.Size);
        if (disk.BusType) out += "BusType=" + std::to_string(*disk.BusType) + "\r\n";
        Key(out, "ProductId", disk.ProductId);
        Key(out, "ProductRevision", disk.ProductRevision);
        Key(out, "DescriptorSerial", disk.DescriptorSerial);
        Key(out, "InstanceName", disk.InstanceName);
        if (disk.Active) out += std::string("Active=") + (*disk.Active ? "1" : "0") + "\r\n";
        if (disk.PredictFailure) out += std::string("PredictFailure=") + (*disk.PredictFailure ? "1" : "0") + "\r\n";
        if (disk.VendorSpecific) out += "VendorSpecific=" + Hex(*disk.VendorSpecific) + "\r\n";
        if (disk.HealthLog) out += "HealthLog=" + Hex(*disk.HealthLog) + "\r\n";
    }
    return out;
}

}  // namespace velmora::cli
