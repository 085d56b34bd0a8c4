#pragma once
// What the history holds, as the watch writes it and the console reads it.
// Texts are UTF-8, as "status --json" gives them.

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::history {

struct DriveIdentity {
    std::string SerialNumber;
    std::string Model;
    std::string Firmware;
    std::string Interface;  // as "status --json" gives it: "SATA", "NVMe", "PATA", "USB" or "UNKNOWN"
    std::int64_t CapacityGB = 0;
};

// One drive's values at one moment; an empty optional is NULL.
struct SampleValues {
    bool Refreshed = false;
    std::optional<std::int64_t> PowerOnHours;
    std::optional<std::int64_t> PowerCycles;
    std::optional<std::int64_t> MaxEraseCount;
    std::optional<std::int64_t> AvgEraseCount;
    std::optional<std::int64_t> GBWritten;
    std::optional<std::int64_t> Temperature;
    bool OverTemperature = false;
    std::optional<std::int64_t> LifeMeter;
    std::string Status;  // "OK", "BAD" or "UNKNOWN"
};

struct DriveSample {
    DriveIdentity Drive;
    SampleValues Values;
};

}  // namespace velmora::history
