#pragma once
// Storage device access as the programs need it: open a device path and
// send IOCTL_STORAGE_QUERY_PROPERTY. The Windows side uses CreateFileA and
// DeviceIoControl; a drive set and test fakes stand in elsewhere. Failures
// carry the system error code so callers can report it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace velmora {

enum class DeviceAccess {
    None,       // no access rights: enough for the device descriptor
    ReadWrite,  // GENERIC_READ | GENERIC_WRITE: needed for protocol queries
};

struct IoResult {
    bool Ok = false;
    std::uint32_t BytesReturned = 0;
    std::uint32_t Error = 0;  // the system's last-error value when !Ok
};

class Device {
public:
    virtual ~Device() = default;  // closes the device
    // IOCTL_STORAGE_QUERY_PROPERTY, synchronous. input and output may be the
    // same buffer, as DeviceIoControl allows.
    [[nodiscard]] virtual IoResult QueryProperty(std::span<const std::uint8_t> input,
                                                 std::span<std::uint8_t> output) = 0;
};

class DeviceIo {
public:
    virtual ~DeviceIo() = default;
    // Opens the path shared for reading and writing, open-existing. On failure
    // returns null and sets error to the system's last-error value.
    [[nodiscard]] virtual std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access,
                                                       std::uint32_t& error) = 0;
};

}  // namespace velmora
