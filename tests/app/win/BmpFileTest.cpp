#include "app/win/BmpFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ByteOrder.h"

namespace velmora::win {
namespace {

std::vector<std::uint8_t> ReadPicture(const std::string& name) {
    std::ifstream file(std::string(VELMORA_PICTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(ParseBmpFile, AcceptsEveryPictureOfTheProgramAtItsDesignSize) {
    struct Case {
        const char* file;
        int width;
        int height;
    };
    const Case cases[] = {
        {"stat_ok.bmp", 32, 32},
        {"stat_bad.bmp", 32, 32},
        {"stat_un.bmp", 32, 32},
        {"toolbar.bmp", 160, 32},
        {"banner.bmp", 420, 61},
        {"about.bmp", 330, 330},
        // The sets drawn for 150 % and 200 % scaling.
        {"stat_ok_150.bmp", 48, 48},
        {"stat_bad_150.bmp", 48, 48},
        {"stat_un_150.bmp", 48, 48},
        {"toolbar_150.bmp", 240, 48},
        {"stat_ok_200.bmp", 64, 64},
        {"stat_bad_200.bmp", 64, 64},
        {"stat_un_200.bmp", 64, 64},
        {"toolbar_200.bmp", 320, 64},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = ReadPicture(c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        const auto view = ParseBmpFile(bytes);
        ASSERT_TRUE(view.has_value()) << c.file;
        EXPECT_EQ(view->Width, c.width) << c.file;
        EXPECT_EQ(view->Height, c.height) << c.file;
        EXPECT_EQ(static_cast<const void*>(view->Info), static_cast<const void*>(bytes.data() + 14)) << c.file;
        EXPECT_EQ(view->Bits, static_cast<const void*>(bytes.data() + LoadLe32(bytes, 10))) << c.file;
    }
}

TEST(ParseBmpFile, StatusPicturesAre24BitUncompressed) {
    for (const char* file : {"stat_ok.bmp", "stat_bad.bmp", "stat_un.bmp", "stat_ok_150.bmp", "stat_bad_150.bmp",
                             "stat_un_150.bmp", "stat_ok_200.bmp", "stat_bad_200.bmp", "stat_un_200.bmp"}) {
        const std::vector<std::uint8_t> bytes = ReadPicture(file);
        const auto view = ParseBmpFile(bytes);
        ASSERT_TRUE(view.has_value()) << file;
        EXPECT_EQ(view->Info->bmiHeader.biBitCount, 24) << file;
        EXPECT_EQ(view->Info->bmiHeader.biCompression, static_cast<DWORD>(BI_RGB)) << file;
    }
}

TEST(ParseBmpFile, RefusesDamagedHeadersInsteadOfReadingPastTheFile) {
    const std::vector<std::uint8_t> good = ReadPicture("stat_ok.bmp");
    ASSERT_TRUE(ParseBmpFile(good).has_value());

    struct Damage {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int size;  // bytes written: 2 or 4
    };
    const Damage damages[] = {
        {"not BM", 0, 'X', 2},
        {"pixels beyond the end", 10, 3126, 4},
        {"info header too small", 14, 12, 4},
        {"info header beyond the pixels", 14, 1000, 4},
        {"zero width", 18, 0, 4},
        {"negative width", 18, 0xFFFFFFF0u, 4},
        {"huge width", 18, 100000, 4},
        {"zero height", 22, 0, 4},
        {"more rows than bytes", 22, 64, 4},
        {"two planes", 26, 2, 2},
        {"16 bits", 28, 16, 2},
        {"bit fields", 30, BI_BITFIELDS, 4},
        {"RLE8 on 24 bits", 30, BI_RLE8, 4},
    };
    for (const Damage& damage : damages) {
        std::vector<std::uint8_t> bytes = good;
        if (damage.size == 2) {
            StoreLe16(bytes, damage.offset, static_cast<std::uint16_t>(damage.value));
        } else {
            StoreLe32(bytes, damage.offset, damage.value);
        }
        EXPECT_FALSE(ParseBmpFile(bytes).has_value()) << damage.what;
    }
}

TEST(ParseBmpFile, RefusesTruncatedFilesAtEveryLength) {
    const std::vector<std::uint8_t> good = ReadPicture("stat_bad.bmp");
    for (std::size_t length : {std::size_t{0}, std::size_t{2}, std::size_t{53}, std::size_t{54}, good.size() - 1}) {
        EXPECT_FALSE(ParseBmpFile(std::span<const std::uint8_t>(good.data(), length)).has_value()) << length;
    }
}

TEST(ParseBmpFile, CompressedPictureMustHoldTheSizeItPromises) {
    std::vector<std::uint8_t> bytes = ReadPicture("banner.bmp");
    ASSERT_TRUE(ParseBmpFile(bytes).has_value());
    const std::uint32_t imageSize = LoadLe32(bytes, 34);
    StoreLe32(bytes, 34, imageSize + 1);
    EXPECT_FALSE(ParseBmpFile(bytes).has_value());
    StoreLe32(bytes, 34, 0);
    EXPECT_FALSE(ParseBmpFile(bytes).has_value());
    StoreLe32(bytes, 34, imageSize);
    StoreLe32(bytes, 46, 257);  // more palette entries than 8 bits allow
    EXPECT_FALSE(ParseBmpFile(bytes).has_value());
}

}  // namespace
}  // namespace velmora::win
