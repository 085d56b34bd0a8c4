#pragma once
// DeviceIo over CreateFileA and DeviceIoControl. A device is opened shared
// for reading and writing, open-existing, and closed when its object goes.

#include "common/DeviceIo.h"

namespace velmora::win {

class Win32DeviceIo final : public DeviceIo {
public:
    // A path with an embedded NUL is refused with ERROR_INVALID_NAME rather
    // than opening whatever its first part names.
    [[nodiscard]] std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access,
                                               std::uint32_t& error) override;
};

}  // namespace velmora::win
