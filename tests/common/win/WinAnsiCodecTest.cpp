#include "common/win/WinAnsiCodec.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace velmora::win {
namespace {

TEST(WinAnsiCodec, RoundTripsAsciiAndEmptyText) {
    const WinAnsiCodec codec;
    const std::string ascii = "VELMORA SSD 512GB \\\\.\\PhysicalDrive0 ~!";
    EXPECT_EQ(codec.ToUtf16(ascii), std::u16string(ascii.begin(), ascii.end()));
    EXPECT_EQ(codec.FromUtf16(codec.ToUtf16(ascii)), ascii);
    EXPECT_EQ(codec.ToUtf16(""), u"");
    EXPECT_EQ(codec.FromUtf16(u""), "");
}

TEST(WinAnsiCodec, KeepsEmbeddedNulCharacters) {
    const WinAnsiCodec codec;
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(codec.ToUtf16(withNul), std::u16string(u"a\0b", 3));
    EXPECT_EQ(codec.FromUtf16(std::u16string(u"a\0b", 3)), withNul);
}

TEST(WinAnsiCodec, AgreesWithTheDefaultCodecOnWindows1252) {
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << ::GetACP();
    const WinAnsiCodec codec;
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte.push_back(static_cast<char>(c));
    EXPECT_EQ(codec.ToUtf16(everyByte), AnsiToUtf16(everyByte));
    EXPECT_EQ(codec.FromUtf16(codec.ToUtf16(everyByte)), everyByte);
    EXPECT_EQ(codec.ToUtf16("\x80\xE9"), u"\u20AC\u00E9");
}

TEST(WinAnsiCodec, CharactersWithoutAnAnsiFormBecomeQuestionMarks) {
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << ::GetACP();
    const WinAnsiCodec codec;
    EXPECT_EQ(codec.FromUtf16(u"x\u4E2Dy"), "x?y");
    EXPECT_EQ(codec.FromUtf16(u"\u0101"), "?") << "no best-fit 'a'";
}

TEST(WinAnsiCodec, InstalledItServesTheProcessWideConversions) {
    const WinAnsiCodec codec;
    InstallAnsiCodec(&codec);
    EXPECT_EQ(AnsiToUtf16("Model"), u"Model");
    EXPECT_EQ(Utf16ToAnsi(u"Model"), "Model");
    InstallAnsiCodec(nullptr);
}

}  // namespace
}  // namespace velmora::win
