#pragma once
// A toolbox pipe wired straight to a reply builder over the same simulated
// sources, so status, raw and capture run the whole exchange in one process.

#include <algorithm>
#include <memory>

#include "app/PipeClient.h"
#include "common/DriveSet.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "service/ReplyBuilder.h"
#include "tests/fakes/FakeWmiSource.h"

namespace velmora::cli {

// The toolbox's pipe wired straight to a reply builder over the same sources,
// so a status or capture runs the whole exchange without a service process.
class LoopbackPipeSystem final : public PipeSystem {
public:
    explicit LoopbackPipeSystem(ReplyBuilder& builder) : builder_(builder) {}

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        error = 0;
        return std::make_unique<Connection>(builder_);
    }
    bool WaitForPipe(std::uint32_t, std::uint32_t&) override { return true; }
    std::uint64_t NowMs() override { return 0; }

private:
    class Connection final : public PipeConnection {
    public:
        explicit Connection(ReplyBuilder& builder) : builder_(builder) {}
        PipeIoResult SetReadModeByte() override { return {true, 0, 0}; }
        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            if (bytes.size() != PIPE_REQUEST_SIZE) return {false, 0, 109};
            reply_ = builder_.Build(std::span<const std::uint8_t, PIPE_REQUEST_SIZE>(bytes.data(), PIPE_REQUEST_SIZE));
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }
        PipeIoResult Read(std::span<std::uint8_t> bytes) override {
            const std::size_t count = std::min(bytes.size(), reply_.size() - delivered_);
            std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(delivered_), count, bytes.begin());
            delivered_ += count;
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        ReplyBuilder& builder_;
        ReplyBytes reply_{};
        std::size_t delivered_ = 0;
    };
    ReplyBuilder& builder_;
};

// A machine made from a drive set: WMI, devices and a service answering from it.
struct SimulatedMachine {
    explicit SimulatedMachine(const DriveSet& set)
        : wmi(set, fallback), devices(set), builder(wmi, devices), pipes(builder) {}
    fakes::FakeWmiSource fallback;
    SimulatedWmiSource wmi;
    SimulatedDeviceIo devices;
    ReplyBuilder builder;
    LoopbackPipeSystem pipes;
};

}  // namespace velmora::cli
