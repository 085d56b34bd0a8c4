#pragma once
// The client's real pipe calls: CreateFileA on the service's pipe at
// identification level only, so whoever holds the name cannot act as the
// user; WaitNamedPipeA, byte read mode, WriteFile and ReadFile overlapped so
// each can be given up after its time limit.

#include <memory>

#include "drives/PipeClient.h"

namespace velmora::win {

class Win32PipeSystem final : public PipeSystem {
public:
    [[nodiscard]] std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override;
    [[nodiscard]] bool WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) override;
    [[nodiscard]] std::uint64_t NowMs() override;
};

}  // namespace velmora::win
