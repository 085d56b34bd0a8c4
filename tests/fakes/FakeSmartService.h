#pragma once
// The service as the toolbox sees it through the pipe: one scripted reply
// per drive number, the requests it received, and a switch that makes every
// open fail as when the service is not running. A drive without a reply
// gets its connection closed unanswered.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "drives/PipeClient.h"
#include "common/PipeRecords.h"

namespace velmora::fakes {

class FakeSmartService final : public PipeSystem {
public:
    std::map<std::int32_t, std::vector<std::uint8_t>> Replies;  // by DriveNumber
    std::uint32_t OpenError = 0;                                 // non-zero: every open fails with it

    std::vector<PipeRequest> Requests;
    int OpenCount = 0;

    void SetReply(std::int32_t driveNumber, const ReplyBytes& bytes) {
        Replies[driveNumber].assign(bytes.begin(), bytes.end());
    }

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        ++OpenCount;
        if (OpenError != 0) {
            error = OpenError;
            return nullptr;
        }
        error = 0;
        return std::make_unique<Connection>(*this);
    }

    bool WaitForPipe(std::uint32_t, std::uint32_t& error) override {
        error = OpenError;
        return false;
    }

    std::uint64_t NowMs() override { return 0; }

private:
    class Connection final : public PipeConnection {
    public:
        explicit Connection(FakeSmartService& owner) : owner_(owner) {}

        PipeIoResult SetReadModeByte() override { return {true, 0, 0}; }

        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            if (bytes.size() != PIPE_REQUEST_SIZE) return {false, 0, 87};  // ERROR_INVALID_PARAMETER
            const PipeRequest request = PipeRequest::Decode(bytes.first<PIPE_REQUEST_SIZE>());
            owner_.Requests.push_back(request);
            const auto found = owner_.Replies.find(request.DriveNumber);
            if (found != owner_.Replies.end()) reply_ = found->second;
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }

        PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t) override {
            const std::size_t count = std::min(bytes.size(), reply_.size() - delivered_);
            std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(delivered_), count, bytes.begin());
            delivered_ += count;
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        FakeSmartService& owner_;
        std::vector<std::uint8_t> reply_;
        std::size_t delivered_ = 0;
    };
};

}  // namespace velmora::fakes
