#pragma once
// The toolbox's pipe wired straight to a reply builder, so status, raw,
// capture and the fuzz targets run the whole exchange in one process. An
// observer sees every request and the reply built for it (null when the
// request was refused for its size).

#include <algorithm>
#include <functional>
#include <memory>
#include <span>

#include "drives/PipeClient.h"
#include "common/PipeRecords.h"
#include "service/PipeReplyBuilder.h"

namespace velmora::fakes {

class LoopbackPipeSystem final : public PipeSystem {
public:
    using Observer = std::function<void(std::span<const std::uint8_t> request, const ReplyBytes* reply)>;

    explicit LoopbackPipeSystem(PipeReplyBuilder& builder, Observer observer = {})
        : builder_(builder), observer_(std::move(observer)) {}

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        error = 0;
        return std::make_unique<Connection>(*this);
    }
    // Never busy: every open succeeds.
    bool WaitForPipe(std::uint32_t, std::uint32_t&) override { return true; }
    std::uint64_t NowMs() override { return 0; }

private:
    static constexpr std::uint32_t kBrokenPipe = 109;  // ERROR_BROKEN_PIPE

    class Connection final : public PipeConnection {
    public:
        explicit Connection(LoopbackPipeSystem& owner) : owner_(owner) {}
        PipeIoResult SetReadModeByte() override { return {true, 0, 0}; }
        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            if (bytes.size() != PIPE_REQUEST_SIZE) {
                if (owner_.observer_) owner_.observer_(bytes, nullptr);
                return {false, 0, kBrokenPipe};
            }
            reply_ = owner_.builder_.Build(bytes.first<PIPE_REQUEST_SIZE>());
            written_ = true;
            if (owner_.observer_) owner_.observer_(bytes, &reply_);
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }
        PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t) override {
            if (!written_) return {false, 0, kBrokenPipe};
            const std::size_t count = std::min(bytes.size(), reply_.size() - delivered_);
            std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(delivered_), count, bytes.begin());
            delivered_ += count;
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        LoopbackPipeSystem& owner_;
        ReplyBytes reply_{};
        std::size_t delivered_ = 0;
        bool written_ = false;
    };

    PipeReplyBuilder& builder_;
    Observer observer_;
};

}  // namespace velmora::fakes
