#include "drives/IdentityText.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(DecodeSerialText, FiltersToLettersAndDigitsAndDecodesLowerCaseHex) {
    const TextCase cases[] = {
        {" 3533 3030 ", "5300"},           // blanks around and between, then hex
        {"AB12CD34", "AB12CD34"},          // upper-case A-F is plain text
        {"4a4B", "4a4B"},                  // one upper-case letter keeps it text
        {"4a4b", "JK"},                    // all lower-case hex
        {"353", "5"},                      // odd last digit dropped
        {"S-N_12.34", "SN1234"},           // punctuation removed, 'S' and 'N' are not hex
        {"", ""},
        {"  -- ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeSerialText(c.input), c.expected) << '"' << c.input << '"';
}

TEST(SwapCharPairs, ExchangesEachPairAndLeavesAnOddLastCharacter) {
    const TextCase cases[] = {
        {"AB12CD", "BA21DC"},
        {"AB12C", "BA21C"},
        {"A", "A"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SwapCharPairs(c.input), c.expected) << c.input;
}

TEST(TrimBlanks, RemovesBlanksAndControlCharactersAtBothEndsOnly) {
    const TextCase cases[] = {
        {"  Q5RT2B1  ", "Q5RT2B1"},
        {std::string("\0\tAB C\r\n", 8), "AB C"},
        {"   ", ""},
        {"X", "X"},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.input), c.expected);
}

}  // namespace
}  // namespace velmora
