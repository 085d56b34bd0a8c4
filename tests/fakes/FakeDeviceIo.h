#pragma once
// A device seam that answers every path with the bytes given in the test and
// can be told to fail opening or querying with any system error. It records
// the paths, access rights and query input it saw.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/DeviceIo.h"

namespace velmora::fakes {

class FakeDeviceIo final : public DeviceIo {
public:
    // Failure switches.
    std::uint32_t OpenError = 0;   // non-zero: Open fails with this error
    std::uint32_t QueryError = 0;  // non-zero: QueryProperty fails with this error
    bool ReturnNothing = false;    // QueryProperty succeeds with 0 bytes

    // Copied to the start of the output buffer (cut to its size); the rest
    // of the buffer is left as the caller filled it.
    std::vector<std::uint8_t> Output;
    // Per-path answers, used instead of Output for the paths they name; a
    // path listed in UnopenablePaths fails to open with OpenError or 2.
    std::map<std::string, std::vector<std::uint8_t>> OutputByPath;
    std::vector<std::string> UnopenablePaths;

    // What the code under test did.
    std::vector<std::string> OpenedPaths;
    std::vector<DeviceAccess> OpenedAccess;
    std::vector<std::uint8_t> LastInput;
    bool InputWasOutput = false;  // the same buffer went in and out
    std::size_t LastOutputSize = 0;
    int QueryCount = 0;
    int ClosedCount = 0;

    std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access, std::uint32_t& error) override {
        OpenedPaths.push_back(path);
        OpenedAccess.push_back(access);
        const bool unopenable =
            std::find(UnopenablePaths.begin(), UnopenablePaths.end(), path) != UnopenablePaths.end();
        if (OpenError != 0 || unopenable) {
            error = OpenError != 0 ? OpenError : 2;
            return nullptr;
        }
        error = 0;
        const auto byPath = OutputByPath.find(path);
        return std::make_unique<FakeDevice>(*this, byPath != OutputByPath.end() ? byPath->second : Output);
    }

private:
    class FakeDevice final : public Device {
    public:
        FakeDevice(FakeDeviceIo& owner, const std::vector<std::uint8_t>& answer) : owner_(owner), answer_(answer) {}
        ~FakeDevice() override { ++owner_.ClosedCount; }

        IoResult QueryProperty(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) override {
            ++owner_.QueryCount;
            owner_.LastInput.assign(input.begin(), input.end());
            owner_.InputWasOutput = input.data() == output.data();
            owner_.LastOutputSize = output.size();
            if (owner_.QueryError != 0) return {false, 0, owner_.QueryError};
            if (owner_.ReturnNothing) return {true, 0, 0};
            const std::size_t count = std::min(answer_.size(), output.size());
            std::copy_n(answer_.begin(), count, output.begin());
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        FakeDeviceIo& owner_;
        const std::vector<std::uint8_t>& answer_;
    };
};

}  // namespace velmora::fakes
