#pragma once
// Invariant checks for the fuzz targets: a violation prints what failed and
// aborts, so libFuzzer keeps the input as a crash. Unlike assert, the check
// stays on whatever NDEBUG says.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : ::velmora::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace velmora::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant violated: %s (%s:%d)\n", what, file, line);
    std::abort();
}

// Takes control values from the front of an input; a short input gives zeros.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    std::uint8_t Byte() {
        if (bytes_.empty()) return 0;
        const std::uint8_t value = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return value;
    }
    std::uint32_t Le32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    // Everything not taken yet.
    [[nodiscard]] std::span<const std::uint8_t> Rest() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace velmora::fuzz
