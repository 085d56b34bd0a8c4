#include "common/JsonText.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(JsonText, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonKnownNumber(-1), "null");
    EXPECT_EQ(JsonKnownNumber(-23), "-23");
}

TEST(JsonText, KeepsValidUtf8AndReplacesEveryInvalidByteWithU_FFFD) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"a\x80" "b", "a\xEF\xBF\xBD" "b"},                    // a stray continuation byte
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},          // an overlong form
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // beyond U+10FFFF
        {"x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD"},        // cut short
        {"\xE2\x82\"", "\xEF\xBF\xBD\xEF\xBF\xBD\\\""},  // cut short by a quote
    };
    for (const auto& [text, inner] : cases) EXPECT_EQ(JsonString(text), "\"" + inner + "\"") << inner;
}

}  // namespace
}  // namespace velmora
