#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "update/UpdateReplyLines.h"
#include "tests/update/ReferenceReplyLookup.h"

namespace velmora::update {
namespace {

TEST(UpdateReplyLines, TheTextEndsAtItsFirstNul) {
    const std::string body("[file version]\nversion=1.0\0\n[app version]\nversion=2\nurl=x", 51);
    const UpdateReplyLines lines(body);
    EXPECT_EQ(lines.Value("file version", "version"), "1.0");
    EXPECT_EQ(lines.Value("app version", "version"), "");
}

TEST(UpdateReplyLines, BytesAboveAsciiAreNotBlanks) {
    const UpdateReplyLines lines("[s]\nk=\xa0v\xa0\n");
    EXPECT_EQ(lines.Value("s", "k"), "\xa0v\xa0");
}

struct LookupCase {
    const char* Name;
    const char* Body;
    const char* Section;
    const char* Key;
    const char* Expected;
};

TEST(UpdateReplyLines, LookupsFollowTheReplyRules) {
    const LookupCase cases[] = {
        {"plain value", "[s]\nk=v\n", "s", "k", "v"},
        {"crlf endings", "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"a lone cr ends a line", "[s]\rk=v", "s", "k", "v"},
        {"lf then crlf leave an empty line", "[s]\n\r\nk=v", "s", "k", ""},
        {"two crs leave an empty line", "[s]\r\rk=v", "s", "k", ""},
        {"blanks before header and key", "  [s]\n\t k=v  \n", "s", "k", "v"},
        {"control bytes around a line go too", "\x01[s]\x1f\n \x02k=v\x1f ", "s", "k", "v"},
        {"inner blanks and equals stay", "[s]\nk= a = b\n", "s", "k", " a = b"},
        {"blank before equals does not match", "[s]\nk =v\n", "s", "k", ""},
        {"empty value does not match", "[s]\nk=\n", "s", "k", ""},
        {"empty value then a value", "[s]\nk=\nk=v\n", "s", "k", "v"},
        {"first of two values", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        {"key is a prefix of another key", "[s]\nkey=1\nk=2\n", "s", "k", "2"},
        {"value after an empty line is lost", "[s]\n\nk=v\n", "s", "k", ""},
        {"value after a blank-only line is lost", "[s]\n   \nk=v\n", "s", "k", ""},
        {"another section ends the block", "[s]\n[t]\nk=v\n", "s", "k", ""},
        {"a bracket line ends the block", "[s]\n[not a header\nk=v\n", "s", "k", ""},
        {"header compare is case-sensitive", "[S]\nk=v\n", "s", "k", ""},
        {"key compare is case-sensitive", "[s]\nK=v\n", "s", "k", ""},
        {"header with blanks inside brackets", "[ s ]\nk=v\n", "s", "k", ""},
        {"repeated section searched again", "[s]\na=1\n[t]\n[s]\nk=v\n", "s", "k", "v"},
        {"adjacent repeated header is skipped", "[s]\n[s]\nk=v\n", "s", "k", ""},
        {"repeat after empty line is searched", "[s]\na=1\n\n[s]\nk=v\n", "s", "k", "v"},
        {"repeat right after stopping empty line", "[s]\n\n[s]\nk=v\n", "s", "k", "v"},
        {"non-contiguous sections", "[s]\na=1\n[t]\nk=t\n[s]\nk=s\n", "s", "k", "s"},
        {"other section's key not taken", "[t]\nk=v\n", "s", "k", ""},
        {"missing section", "k=v\n", "s", "k", ""},
        {"header inside a value line is not a header", "x=[s]\nk=v\n", "s", "k", ""},
        {"section name with bracket", "[a]b]\nk=v\n", "a]b", "k", "v"},
        {"key holding equals", "[s]\na=b=c\n", "s", "a=b", "c"},
        {"key holding equals needs the full prefix", "[s]\na=b\n", "s", "a=b", ""},
        {"third header after adjacent pair", "[s]\n[s]\n[s]\nk=v\n", "s", "k", "v"},
    };
    for (const auto& c : cases) {
        const UpdateReplyLines lines(c.Body);
        EXPECT_EQ(ReadReplyValue(lines, c.Section, c.Key), c.Expected) << c.Name;
    }
}

TEST(UpdateReplyLines, IndexedLookupAgreesWithTheLineWalkOnGeneratedReplies) {
    // Small alphabets make repeats, adjacent headers, empty values, stray
    // brackets and mixed line ends frequent.
    const char* const pieces[] = {"[a]", "[b]", "[a]", "", "k=1", "k=", "k=2", "j=3", "[x", " k=4 ", "k = 5",
                                  "a=b=c", "[a b]"};
    const char* const kLineEnds[] = {"\n", "\n", "\r\n", "\r"};
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    int nonEmptyResults = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string body;
        const unsigned count = next() % 14;
        for (unsigned n = 0; n < count; ++n) {
            body += pieces[next() % (sizeof pieces / sizeof *pieces)];
            body += kLineEnds[next() % 4];
        }
        const UpdateReplyLines lines(body);
        const std::vector<std::string_view> reference = test_support::ReferenceLines(body);
        for (const char* section : {"a", "b", "a b", "x"}) {
            for (const char* key : {"k", "j", "a", "a=b"}) {
                const std::string expected = test_support::ReferenceLookup(reference, section, key);
                if (!expected.empty()) ++nonEmptyResults;
                ASSERT_EQ(lines.Value(section, key), expected)
                    << "body:\n" << body << "section " << section << " key " << key;
            }
        }
    }
    EXPECT_GT(nonEmptyResults, 100);  // the generator does reach the interesting cases
}

}  // namespace
}  // namespace velmora::update
