#include "update/UpdatePolicy.h"

#include <gtest/gtest.h>

namespace velmora::update {
namespace {

TEST(UpdatePolicy, ADigestIsSixtyFourHexDigits) {
    EXPECT_TRUE(IsSha256Hex("9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08"));
    EXPECT_TRUE(IsSha256Hex(std::string(64, 'a')));
    for (const std::string& text :
         {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g", std::string(63, 'a') + " "})
        EXPECT_FALSE(IsSha256Hex(text)) << text;
}

}  // namespace
}  // namespace velmora::update
