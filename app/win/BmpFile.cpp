#include "app/win/BmpFile.h"

#include "common/ByteOrder.h"

namespace velmora::win {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::int64_t kMaxSide = 4096;

}  // namespace

std::optional<BmpView> ParseBmpFile(std::span<const std::uint8_t> file) noexcept {
    if (file.size() < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
    if (file[0] != 'B' || file[1] != 'M') return std::nullopt;
    const std::uint32_t bitsOffset = LoadLe32(file, 10);
    const std::uint32_t infoSize = LoadLe32(file, 14);
    if (infoSize < kInfoHeaderSize || infoSize > file.size() - kFileHeaderSize) return std::nullopt;
    if (bitsOffset < kFileHeaderSize + infoSize || bitsOffset > file.size()) return std::nullopt;

    const auto width = static_cast<std::int32_t>(LoadLe32(file, 18));
    const auto height = static_cast<std::int32_t>(LoadLe32(file, 22));
    const std::uint16_t planes = LoadLe16(file, 26);
    const std::uint16_t bitCount = LoadLe16(file, 28);
    const std::uint32_t compression = LoadLe32(file, 30);
    const std::uint32_t imageSize = LoadLe32(file, 34);
    const std::uint32_t coloursUsed = LoadLe32(file, 46);
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width <= 0 || width > kMaxSide || rows == 0 || rows > kMaxSide || planes != 1) return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return std::nullopt;

    // The palette lies between the info header and the pixels.
    std::uint64_t paletteEntries = coloursUsed;
    if (bitCount <= 8) {
        const std::uint64_t most = std::uint64_t{1} << bitCount;
        if (paletteEntries == 0) paletteEntries = most;
        if (paletteEntries > most) return std::nullopt;
    }
    if (kFileHeaderSize + infoSize + paletteEntries * 4 > bitsOffset) return std::nullopt;

    const std::uint64_t available = file.size() - bitsOffset;
    if (compression == BI_RGB) {
        const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
        if (stride * static_cast<std::uint64_t>(rows) > available) return std::nullopt;
    } else if (compression == BI_RLE8) {
        // A compressed picture cannot be drawn upside down; GDI stops at its end mark.
        if (bitCount != 8 || height < 0 || imageSize == 0 || imageSize > available) return std::nullopt;
    } else {
        return std::nullopt;
    }

    BmpView view;
    view.Info = reinterpret_cast<const BITMAPINFO*>(file.data() + kFileHeaderSize);
    view.Bits = file.data() + bitsOffset;
    view.Width = width;
    view.Height = static_cast<int>(rows);
    return view;
}

std::span<const std::uint8_t> ResourceBytes(const char* name) noexcept {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), ::SizeofResource(module, found)};
}

}  // namespace velmora::win
