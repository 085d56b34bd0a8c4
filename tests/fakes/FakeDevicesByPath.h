#pragma once
// Devices keyed by path, each answering the descriptor query with its own
// bytes; a path without bytes cannot be opened (ERROR_FILE_NOT_FOUND), as a
// device that went away.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/DeviceIo.h"

namespace velmora::fakes {

class FakeDevicesByPath final : public DeviceIo {
public:
    std::map<std::string, std::vector<std::uint8_t>> Descriptors;
    std::vector<std::string> OpenedPaths;

    std::unique_ptr<Device> Open(const std::string& path, DeviceAccess, std::uint32_t& error) override {
        OpenedPaths.push_back(path);
        const auto found = Descriptors.find(path);
        if (found == Descriptors.end()) {
            error = 2;  // ERROR_FILE_NOT_FOUND
            return nullptr;
        }
        error = 0;
        return std::make_unique<DescriptorDevice>(found->second);
    }

private:
    class DescriptorDevice final : public Device {
    public:
        explicit DescriptorDevice(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

        IoResult QueryProperty(std::span<const std::uint8_t>, std::span<std::uint8_t> output) override {
            const std::size_t count = std::min(bytes_.size(), output.size());
            std::copy_n(bytes_.begin(), count, output.begin());
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        const std::vector<std::uint8_t>& bytes_;
    };
};

}  // namespace velmora::fakes
