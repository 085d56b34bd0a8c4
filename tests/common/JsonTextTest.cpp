#include "common/JsonText.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(JsonText, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonKnownNumber(-1), "null");
    EXPECT_EQ(JsonKnownNumber(-23), "-23");
}

}  // namespace
}  // namespace velmora
