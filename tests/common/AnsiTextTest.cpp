#include "common/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(AnsiText, DefaultCodecRoundTripsEveryByteOfTheCodePage) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all)), all);
}

TEST(AnsiText, DefaultCodecMapsTheWindows1252Block) {
    EXPECT_EQ(AnsiToUtf16("\x80\x99\x9F\xE9"), u"\u20AC\u2122\u0178\u00E9");
    EXPECT_EQ(Utf16ToAnsi(u"\u20AC\u00E9"), "\x80\xE9");
}

TEST(AnsiText, CharactersWithoutAnAnsiFormBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToAnsi(u"a\u4E2Db"), "a?b");
    EXPECT_EQ(Utf16ToAnsi(u"\u0080"), "?") << "a C1 control the code page replaces";
}

TEST(AnsiText, ConvertsToUtf8) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"SSD", "SSD"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},
        {std::u16string{char16_t(0xDC00), u'x'}, "\xEF\xBF\xBDx"},
    };
    for (const auto& [text, utf8] : cases) EXPECT_EQ(Utf16ToUtf8(text), utf8) << utf8;
    EXPECT_EQ(AnsiToUtf8("\x80 5\xB0" "C"), "\xE2\x82\xAC 5\xC2\xB0" "C");
}

TEST(AnsiText, ConvertsUtf8ToTheCodePageWithQuestionMarksForTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {"SSD", "SSD"},
        {"\xC3\xA9\xE2\x82\xAC", "\xE9\x80"},
        {"a\xF0\x9F\x98\x80" "b", "a?b"},
        {"a\xFF" "b", "a?b"},
    };
    for (const auto& [utf8, ansi] : cases) EXPECT_EQ(Utf8ToAnsi(utf8), ansi) << utf8;
}

class UpperCaseCodec final : public AnsiCodec {
public:
    std::u16string ToUtf16(std::string_view ansi) const override { return std::u16string(ansi.size(), u'U'); }
    std::string FromUtf16(std::u16string_view text) const override { return std::string(text.size(), 'A'); }
};

TEST(AnsiText, InstalledCodecIsUsedAndNullRestoresTheDefault) {
    UpperCaseCodec codec;
    InstallAnsiCodec(&codec);
    EXPECT_EQ(AnsiToUtf16("ab"), u"UU");
    EXPECT_EQ(Utf16ToAnsi(u"abc"), "AAA");
    InstallAnsiCodec(nullptr);
    EXPECT_EQ(AnsiToUtf16("ab"), u"ab");
}

}  // namespace
}  // namespace velmora
