#pragma once
// The toolbox's drive and pipe seams with one call that does not return
// until the test releases it, standing in for a disk or a WMI service that
// stopped answering; released, it answers late, writing into the buffers it
// was given, and counts itself in LateAnswers. Every other call answers at
// once and succeeds.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>

#include "common/DeviceIo.h"
#include "common/WmiSource.h"
#include "common/WmiTable.h"
#include "drives/PipeClient.h"

namespace velmora::fakes {

enum class StalledCall { WmiQuery, DeviceOpen, DeviceQuery, PipeOpen, PipeWait, PipeRead };

// Held by the test and by every stalled call; released at the test's end
// (or its destruction), so no stalled thread outlives the test process's
// own end by accident.
class StallRelease {
public:
    StallRelease() : released_(promise_.get_future().share()) {}
    ~StallRelease() { Release(); }
    StallRelease(const StallRelease&) = delete;
    StallRelease& operator=(const StallRelease&) = delete;

    void Release() {
        if (!done_) promise_.set_value();
        done_ = true;
    }
    [[nodiscard]] std::shared_future<void> Released() const { return released_; }

private:
    std::promise<void> promise_;
    std::shared_future<void> released_;
    bool done_ = false;
};

class StalledSources final : public WmiSource, public DeviceIo, public PipeSystem {
public:
    StalledSources(StalledCall stalled, std::shared_future<void> released)
        : stall_{stalled, std::move(released), std::make_shared<std::atomic<int>>(0)} {}

    [[nodiscard]] int LateAnswers() const { return stall_.Late->load(); }

    int Execute(std::u16string_view, std::u16string_view, WmiTable& table) override {
        if (stall_(StalledCall::WmiQuery)) {
            table.AddColumn(WmiVariant::Text(u"Model"));
            stall_.Answered();
        }
        return wmi_result::Ok;
    }

    std::unique_ptr<velmora::Device> Open(const std::string&, DeviceAccess, std::uint32_t& error) override {
        const bool late = stall_(StalledCall::DeviceOpen);
        error = 0;
        if (late) stall_.Answered();
        return std::make_unique<Device>(stall_);
    }

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        const bool late = stall_(StalledCall::PipeOpen);
        error = 0;
        if (late) stall_.Answered();
        return std::make_unique<Connection>(stall_);
    }
    bool WaitForPipe(std::uint32_t, std::uint32_t& error) override {
        const bool late = stall_(StalledCall::PipeWait);
        error = 0;
        if (late) stall_.Answered();
        return true;
    }
    std::uint64_t NowMs() override { return 0; }

private:
    // Copied into what the seams open, which may outlive the sources.
    struct Stall {
        StalledCall Stalled;
        std::shared_future<void> Released;
        std::shared_ptr<std::atomic<int>> Late;
        // True when this call was the stalled one and now answers late.
        bool operator()(StalledCall call) const {
            if (call != Stalled) return false;
            Released.wait();
            return true;
        }
        void Answered() const { ++*Late; }
    };

    class Device final : public velmora::Device {
    public:
        explicit Device(Stall stall) : stall_(std::move(stall)) {}
        IoResult QueryProperty(std::span<const std::uint8_t>, std::span<std::uint8_t> output) override {
            if (stall_(StalledCall::DeviceQuery)) {
                std::fill(output.begin(), output.end(), std::uint8_t{0x55});
                stall_.Answered();
            }
            return {true, static_cast<std::uint32_t>(output.size()), 0};
        }

    private:
        Stall stall_;
    };

    class Connection final : public PipeConnection {
    public:
        explicit Connection(Stall stall) : stall_(std::move(stall)) {}
        PipeIoResult SetReadModeByte() override { return {true, 0, 0}; }
        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }
        PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t) override {
            if (stall_(StalledCall::PipeRead)) {
                std::fill(bytes.begin(), bytes.end(), std::uint8_t{0x55});
                stall_.Answered();
            }
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }

    private:
        Stall stall_;
    };

    Stall stall_;
};

}  // namespace velmora::fakes
