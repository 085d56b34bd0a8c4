#pragma once
// A whole BMP file kept in the program's resources, file header included.
// The bytes are checked before GDI sees them: a picture whose headers point
// outside the file, or promise more pixels than it holds, is refused.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

namespace velmora::win {

struct BmpView {
    const BITMAPINFO* Info = nullptr;  // inside the file's bytes
    const void* Bits = nullptr;        // inside the file's bytes
    int Width = 0;
    int Height = 0;  // always positive; the file may store rows top-down
};

// Uncompressed 1, 4, 8, 24 or 32 bits per pixel, or 8-bit RLE; at most
// 4096 pixels each way.
[[nodiscard]] std::optional<BmpView> ParseBmpFile(std::span<const std::uint8_t> file) noexcept;

// The bytes of RCDATA resource name of this program; empty when missing.
[[nodiscard]] std::span<const std::uint8_t> ResourceBytes(const char* name) noexcept;

}  // namespace velmora::win
