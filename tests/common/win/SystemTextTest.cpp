#include "common/win/SystemText.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::win {
namespace {

TEST(SystemErrorText, DropsTheTrailingLineBreakAndFullStop) {
    const std::string text = SystemErrorText(ERROR_SERVICE_DOES_NOT_EXIST);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(text.find("Error "), std::string::npos) << text;
}

TEST(SystemErrorText, CodeWithoutSystemTextIsNamedByNumber) {
    EXPECT_EQ(SystemErrorText(0x2FFFFFF1u), "Error 805306353");
}

TEST(Utf8OrAnsiToUtf16, ValidUtf8IsDecodedAsUtf8AndOtherBytesAsTheAnsiCodePage) {
    struct Case {
        std::string Text;
        std::u16string Expected;
    };
    // No codec is installed in the test program: the ANSI page is Windows-1252.
    const Case cases[] = {
        {"", u""},
        {"VM0A1B2C3D", u"VM0A1B2C3D"},
        {"Caf\xC3\xA9 \xE2\x82\xAC", u"Caf\u00E9 \u20AC"},
        {"Caf\xE9 \x80", u"Caf\u00E9 \u20AC"},
        {std::string("A\0B", 3), std::u16string(u"A\0B", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8OrAnsiToUtf16(c.Text), c.Expected) << c.Text;
}

}  // namespace
}  // namespace velmora::win
