#pragma once
// A pipe seam whose answers are scripted by the test: open results in order,
// busy-wait results, failure switches for each call and the reply delivered
// in chosen pieces. A fake clock advances by the time each wait was allowed,
// so time limits are tested without sleeping.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "drives/PipeClient.h"

namespace velmora::fakes {

class FakePipeSystem final : public PipeSystem {
public:
    // Errors for the next opens, consumed in order; 0 or an empty script opens.
    std::deque<std::uint32_t> OpenErrors;
    // When set, every open fails with it once OpenErrors is used up.
    std::uint32_t OpenErrorAlways = 0;
    // Non-zero: WaitForPipe fails with this error.
    std::uint32_t WaitError = 0;
    std::uint32_t ReadModeError = 0;
    std::uint32_t WriteError = 0;

    // The reply handed out by reads, in pieces of at most ReadChunk bytes.
    std::vector<std::uint8_t> Reply;
    std::size_t ReadChunk = 1 << 20;
    // Non-zero: the read after the whole Reply was handed out fails with it;
    // zero: it reports end of data (Ok, 0 bytes).
    std::uint32_t ErrorAfterReply = 0;
    // Non-zero: the first read already fails with it.
    std::uint32_t ReadError = 0;
    // How long each piece takes to arrive; a read whose time limit is shorter
    // gives up at its limit with SemTimeout, as the real one does.
    std::uint64_t ReadDelayMs = 0;

    // What the code under test did.
    std::uint64_t ClockMs = 0;
    std::vector<std::uint32_t> WaitTimeouts;
    std::vector<std::uint32_t> ReadTimeouts;
    std::vector<std::uint8_t> Written;
    int OpenCount = 0;
    int ClosedCount = 0;
    int ReadCount = 0;

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        ++OpenCount;
        std::uint32_t scripted = OpenErrorAlways;
        if (!OpenErrors.empty()) {
            scripted = OpenErrors.front();
            OpenErrors.pop_front();
        }
        if (scripted != 0) {
            error = scripted;
            return nullptr;
        }
        error = 0;
        return std::make_unique<FakeConnection>(*this);
    }

    bool WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) override {
        WaitTimeouts.push_back(timeoutMs);
        if (WaitError != 0) {
            ClockMs += timeoutMs;
            error = WaitError;
            return false;
        }
        ClockMs += 1000;  // the other client finished after a second
        return true;
    }

    std::uint64_t NowMs() override { return ClockMs; }

private:
    class FakeConnection final : public PipeConnection {
    public:
        explicit FakeConnection(FakePipeSystem& owner) : owner_(owner) {}
        ~FakeConnection() override { ++owner_.ClosedCount; }

        PipeIoResult SetReadModeByte() override {
            if (owner_.ReadModeError != 0) return {false, 0, owner_.ReadModeError};
            return {true, 0, 0};
        }

        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            if (owner_.WriteError != 0) return {false, 0, owner_.WriteError};
            owner_.Written.assign(bytes.begin(), bytes.end());
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }

        PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t timeoutMs) override {
            ++owner_.ReadCount;
            owner_.ReadTimeouts.push_back(timeoutMs);
            if (owner_.ReadDelayMs > timeoutMs) {
                owner_.ClockMs += timeoutMs;
                return {false, 0, pipe_error::SemTimeout};
            }
            owner_.ClockMs += owner_.ReadDelayMs;
            if (owner_.ReadError != 0) return {false, 0, owner_.ReadError};
            const std::size_t left = owner_.Reply.size() - delivered_;
            if (left == 0) {
                if (owner_.ErrorAfterReply != 0) return {false, 0, owner_.ErrorAfterReply};
                return {true, 0, 0};
            }
            const std::size_t count = std::min({left, owner_.ReadChunk, bytes.size()});
            std::copy_n(owner_.Reply.begin() + static_cast<std::ptrdiff_t>(delivered_), count, bytes.begin());
            delivered_ += count;
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        FakePipeSystem& owner_;
        std::size_t delivered_ = 0;
    };
};

}  // namespace velmora::fakes
