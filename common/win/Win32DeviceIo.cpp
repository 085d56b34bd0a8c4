#include "common/win/Win32DeviceIo.h"

#include <windows.h>
#include <winioctl.h>

#include <limits>
#include <utility>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

class Win32Device final : public Device {
public:
    explicit Win32Device(FileHandle handle) noexcept : handle_(std::move(handle)) {}

    IoResult QueryProperty(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) override {
        IoResult result;
        constexpr std::size_t kMax = std::numeric_limits<DWORD>::max();
        if (input.size() > kMax || output.size() > kMax) {
            result.Error = ERROR_INVALID_PARAMETER;
            return result;
        }
        DWORD returned = 0;
        // DeviceIoControl takes a non-const input pointer but only reads it.
        void* in = const_cast<std::uint8_t*>(input.data());
        if (::DeviceIoControl(handle_.get(), IOCTL_STORAGE_QUERY_PROPERTY, in, static_cast<DWORD>(input.size()),
                              output.data(), static_cast<DWORD>(output.size()), &returned, nullptr)) {
            result.Ok = true;
            result.BytesReturned = returned;
        } else {
            result.Error = ::GetLastError();
        }
        return result;
    }

private:
    FileHandle handle_;
};

}  // namespace

std::unique_ptr<Device> Win32DeviceIo::Open(const std::string& path, DeviceAccess access, std::uint32_t& error) {
    error = 0;
    if (path.find('\0') != std::string::npos) {
        error = ERROR_INVALID_NAME;
        return nullptr;
    }
    const DWORD rights = access == DeviceAccess::ReadWrite ? (GENERIC_READ | GENERIC_WRITE) : 0;
    FileHandle handle(::CreateFileA(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        error = ::GetLastError();
        if (error == 0) error = ERROR_GEN_FAILURE;  // never report a failure as code 0
        return nullptr;
    }
    return std::make_unique<Win32Device>(std::move(handle));
}

}  // namespace velmora::win
