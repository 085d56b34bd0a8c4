#include "common/DriveSet.h"

#include <cstdint>
#include <limits>

namespace velmora {

bool DriveSetDisk::HasDescriptor() const {
    return BusType.has_value() || ProductId.has_value() || ProductRevision.has_value() ||
           DescriptorSerial.has_value();
}

std::optional<std::string> DriveSetDisk::EffectiveInstanceName() const {
    if (InstanceName) return InstanceName;
    if (PNPDeviceID) return *PNPDeviceID + "_0";
    return std::nullopt;
}

std::optional<std::int32_t> DriveSetDisk::NumericIndex() const {
    if (!Index || Index->empty()) return std::nullopt;
    std::string_view digits = *Index;
    const bool negative = digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        // Stop before the accumulator itself could overflow.
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

namespace {

enum class Section { None, Os, Disk };

enum class Key : unsigned {
    Version,
    Index,
    DeviceID,
    PNPDeviceID,
    Model,
    SerialNumber,
    FirmwareRevision,
    Size,
    BusType,
    ProductId,
    ProductRevision,
    DescriptorSerial,
    InstanceName,
    Active,
    PredictFailure,
    VendorSpecific,
    HealthLog,
};

struct KeyName {
    std::string_view Name;
    Key Id;
    Section Where;
};

constexpr KeyName kKeys[] = {
    {"Version", Key::Version, Section::Os},
    {"Index", Key::Index, Section::Disk},
    {"DeviceID", Key::DeviceID, Section::Disk},
    {"PNPDeviceID", Key::PNPDeviceID, Section::Disk},
    {"Model", Key::Model, Section::Disk},
    {"SerialNumber", Key::SerialNumber, Section::Disk},
    {"FirmwareRevision", Key::FirmwareRevision, Section::Disk},
    {"Size", Key::Size, Section::Disk},
    {"BusType", Key::BusType, Section::Disk},
    {"ProductId", Key::ProductId, Section::Disk},
    {"ProductRevision", Key::ProductRevision, Section::Disk},
    {"DescriptorSerial", Key::DescriptorSerial, Section::Disk},
    {"InstanceName", Key::InstanceName, Section::Disk},
    {"Active", Key::Active, Section::Disk},
    {"PredictFailure", Key::PredictFailure, Section::Disk},
    {"VendorSpecific", Key::VendorSpecific, Section::Disk},
    {"HealthLog", Key::HealthLog, Section::Disk},
};

const KeyName* FindKey(std::string_view name, Section section) {
    for (const KeyName& key : kKeys) {
        if (key.Where == section && key.Name == name) return &key;
    }
    return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Pairs of hex digits; blanks separate bytes but may not split one.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        if (high < 0 || i + 1 >= text.size()) return std::nullopt;
        const int low = HexDigit(text[i + 1]);
        if (low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

std::optional<bool> ParseFlag(std::string_view text) {
    if (text == "0") return false;
    if (text == "1") return true;
    return std::nullopt;
}

std::optional<std::uint8_t> ParseBusType(std::string_view text) {
    if (text.empty()) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

class Parser {
public:
    DriveSetParseResult Run(std::string_view text) {
        std::size_t lineNumber = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++lineNumber;
            const DriveSetError error = Line(line);
            if (error != DriveSetError::None) return Failure(error, lineNumber);
            start = next;
        }
        DriveSetParseResult result;
        result.Set = std::move(set_);
        return result;
    }

private:
    static DriveSetParseResult Failure(DriveSetError error, std::size_t lineNumber) {
        DriveSetParseResult result;
        result.Error = error;
        const auto limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
        result.Line = static_cast<std::int32_t>(lineNumber < limit ? lineNumber : limit);
        return result;
    }

    DriveSetError Line(std::string_view line) {
        std::size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size()) return DriveSetError::None;
        if (line[first] == ';' || line[first] == '#') return DriveSetError::None;
        if (line.front() == '[') return SectionLine(line);
        return KeyLine(line);
    }

    DriveSetError SectionLine(std::string_view line) {
        seenKeys_ = 0;
        if (line == "[disk]") {
            section_ = Section::Disk;
            set_.Disks.emplace_back();
            return DriveSetError::None;
        }
        if (line == "[os]") {
            if (set_.Os) return DriveSetError::SecondOsSection;
            section_ = Section::Os;
            set_.Os.emplace();
            return DriveSetError::None;
        }
        return DriveSetError::UnknownSection;
    }

    DriveSetError KeyLine(std::string_view line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return DriveSetError::UnknownKey;
        if (section_ == Section::None) return DriveSetError::KeyOutsideSection;
        const KeyName* key = FindKey(line.substr(0, equals), section_);
        if (key == nullptr) return DriveSetError::UnknownKey;
        const std::uint32_t bit = 1u << static_cast<unsigned>(key->Id);
        if ((seenKeys_ & bit) != 0) return DriveSetError::DuplicateKey;
        seenKeys_ |= bit;
        return Store(key->Id, line.substr(equals + 1));
    }

    DriveSetError Store(Key key, std::string_view value) {
        if (key == Key::Version) {
            set_.Os->Version = std::string(value);
            return DriveSetError::None;
        }
        DriveSetDisk& disk = set_.Disks.back();
        switch (key) {
        case Key::Index: disk.Index = std::string(value); break;
        case Key::DeviceID: disk.DeviceID = std::string(value); break;
        case Key::PNPDeviceID: disk.PNPDeviceID = std::string(value); break;
        case Key::Model: disk.Model = std::string(value); break;
        case Key::SerialNumber: disk.SerialNumber = std::string(value); break;
        case Key::FirmwareRevision: disk.FirmwareRevision = std::string(value); break;
        case Key::Size: disk.Size = std::string(value); break;
        case Key::ProductId: disk.ProductId = std::string(value); break;
        case Key::ProductRevision: disk.ProductRevision = std::string(value); break;
        case Key::DescriptorSerial: disk.DescriptorSerial = std::string(value); break;
        case Key::InstanceName: disk.InstanceName = std::string(value); break;
        case Key::BusType:
            disk.BusType = ParseBusType(value);
            if (!disk.BusType) return DriveSetError::BadBusType;
            break;
        case Key::Active:
            disk.Active = ParseFlag(value);
            if (!disk.Active) return DriveSetError::BadFlag;
            break;
        case Key::PredictFailure:
            disk.PredictFailure = ParseFlag(value);
            if (!disk.PredictFailure) return DriveSetError::BadFlag;
            break;
        case Key::VendorSpecific:
            disk.VendorSpecific = ParseHex(value);
            if (!disk.VendorSpecific) return DriveSetError::BadHex;
            break;
        case Key::HealthLog: {
            const auto bytes = ParseHex(value);
            if (!bytes) return DriveSetError::BadHex;
            if (bytes->size() != nvme_query::HealthLogSize) return DriveSetError::HealthLogSize;
            disk.HealthLog.emplace();
            for (std::size_t i = 0; i < nvme_query::HealthLogSize; ++i) (*disk.HealthLog)[i] = (*bytes)[i];
            break;
        }
        case Key::Version: break;
        }
        return DriveSetError::None;
    }

    DriveSet set_;
    Section section_ = Section::None;
    std::uint32_t seenKeys_ = 0;  // one bit per Key in the current section
};

}  // namespace

DriveSetParseResult ParseDriveSet(std::string_view text) { return Parser().Run(text); }

}  // namespace velmora
