#include "drives/StorageDescriptorDecode.h"

#include <algorithm>
#include <vector>

#include "drives/IdentityText.h"
#include "common/ByteOrder.h"
#include "common/PipeRecords.h"

namespace velmora {

namespace {

constexpr std::size_t kMaxDevicePathLength = 255;

bool IsPrintable(std::uint8_t c) { return c >= 0x20 && c <= 0x7E; }

bool IsBlank(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigit(std::uint8_t c) {
    if (IsBlank(c)) return 0;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') c = static_cast<std::uint8_t>(c - 'A' + 'a');
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Hex attempt: false when a character is no hex digit or a decoded byte is
// neither zero nor printable.
bool TryDecodeHex(std::span<const std::uint8_t> text, std::string& out) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        const auto byte = static_cast<std::uint8_t>(high * 16 + low);
        if (byte != 0 && !IsPrintable(byte)) return false;
        bytes.push_back(static_cast<char>(byte));
    }
    // The odd last digit is dropped, but it still has to be a digit.
    if (text.size() % 2 == 1 && HexDigit(text.back()) < 0) return false;
    // A zero byte ends the text, as it would for any C string reader.
    out = bytes.substr(0, bytes.find('\0'));
    return true;
}

std::int32_t FieldAt(std::span<const std::uint8_t> descriptor, std::size_t offset) {
    return offset + 4 <= descriptor.size() ? LoadLeI32(descriptor, offset) : 0;
}

void ReplaceIfPlausible(const std::string& candidate, std::string& field, bool& replaced) {
    if (candidate.size() < 3 || !IsAsciiAlnum(candidate[0]) || !IsAsciiAlnum(candidate[2])) return;
    field = TrimBlanks(candidate);
    replaced = true;
}

}  // namespace

std::array<std::uint8_t, property_query::Size> DeviceDescriptorQuery() {
    std::array<std::uint8_t, property_query::Size> query{};
    StoreLe32(query, property_query::PropertyIdOffset, property_query::StorageDeviceProperty);
    StoreLe32(query, property_query::QueryTypeOffset, property_query::PropertyStandardQuery);
    return query;
}

std::int32_t InterfaceTypeFromBusType(std::int32_t busType) {
    switch (busType) {
        case bus_type::Ata: return kInterfacePata;
        case bus_type::Sata: return kInterfaceSata;
        case bus_type::Nvme: return kInterfaceNvme;
        case bus_type::Usb: return kInterfaceUsb;
        default: return kInterfaceUnknown;
    }
}

std::string DecodeDescriptorString(std::span<const std::uint8_t> descriptor, std::int32_t offset, int maxLength) {
    if (offset <= 0 || maxLength <= 0 || static_cast<std::size_t>(offset) >= descriptor.size()) return {};
    const auto rest = descriptor.subspan(static_cast<std::size_t>(offset));
    const auto untilZero = rest.first(static_cast<std::size_t>(std::find(rest.begin(), rest.end(), 0) - rest.begin()));

    const auto hexLimit = std::min(untilZero.size(), static_cast<std::size_t>(maxLength) * 2);
    std::string decoded;
    if (TryDecodeHex(untilZero.first(hexLimit), decoded)) return decoded;

    const auto plain = untilZero.first(std::min(untilZero.size(), static_cast<std::size_t>(maxLength)));
    if (!std::all_of(plain.begin(), plain.end(), IsPrintable)) return {};
    return std::string(plain.begin(), plain.end());
}

bool QueryStorageDescriptor(DriveInfo& drive, DeviceIo& io, std::string_view osVersionPrefix) {
    const std::string path = drive.DeviceID.substr(0, kMaxDevicePathLength);
    std::uint32_t openError = 0;
    const auto device = io.Open(path, DeviceAccess::None, openError);
    if (!device) return false;

    const auto query = DeviceDescriptorQuery();
    std::vector<std::uint8_t> output(kDescriptorBufferSize, 0);
    const IoResult result = device->QueryProperty(query, output);
    if (!result.Ok) return false;

    const auto descriptor =
        std::span<const std::uint8_t>(output).first(std::min<std::size_t>(result.BytesReturned, output.size()));
    const std::string product =
        DecodeDescriptorString(descriptor, FieldAt(descriptor, device_descriptor::ProductIdOffsetOffset), 40);
    const std::string revision =
        DecodeDescriptorString(descriptor, FieldAt(descriptor, device_descriptor::ProductRevisionOffsetOffset), 8);
    std::string serial =
        DecodeDescriptorString(descriptor, FieldAt(descriptor, device_descriptor::SerialNumberOffsetOffset), 20);
    // Windows 7's storage stack returns ATA serials with each byte pair swapped.
    if (osVersionPrefix == "6.1") serial = SwapCharPairs(serial);

    bool replaced = false;
    ReplaceIfPlausible(serial, drive.SerialNumber, replaced);
    ReplaceIfPlausible(product, drive.Model, replaced);
    ReplaceIfPlausible(revision, drive.FirmwareRevision, replaced);
    drive.InterfaceType = InterfaceTypeFromBusType(FieldAt(descriptor, device_descriptor::BusTypeOffset));
    return replaced;
}

}  // namespace velmora
