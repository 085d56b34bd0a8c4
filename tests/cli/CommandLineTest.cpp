#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace velmora::cli {
namespace {

struct GoodCase {
    std::vector<std::string> Arguments;
    CommandKind Kind;
    bool Json;
    std::optional<std::string> File;
};

TEST(CommandLine, AcceptsEveryCommandWithItsOptions) {
    const GoodCase cases[] = {
        {{"status"}, CommandKind::Status, false, std::nullopt},
        {{"status", "--json"}, CommandKind::Status, true, std::nullopt},
        {{"updates", "--json"}, CommandKind::Updates, true, std::nullopt},
        {{"raw"}, CommandKind::Raw, false, std::nullopt},
        {{"raw", "C:\\out.txt"}, CommandKind::Raw, false, std::string("C:\\out.txt")},
        {{"capture", "set.ini"}, CommandKind::Capture, false, std::string("set.ini")},
        {{"--help"}, CommandKind::Help, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const ParseResult result = ParseCommandLine(c.Arguments);
        ASSERT_TRUE(result.Parsed) << c.Arguments[0] << ": " << result.Error;
        EXPECT_EQ(result.Parsed->Kind, c.Kind);
        EXPECT_EQ(result.Parsed->Json, c.Json);
        EXPECT_EQ(result.Parsed->File, c.File);
    }
}

TEST(CommandLine, RejectsWhatNoCommandTakes) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"stat"}, {"status", "extra"}, {"capture"}, {"capture", "a", "b"},
        {"raw", "a", "b"}, {"raw", ""}, {"updates", "--jsn"},
    };
    for (const auto& arguments : cases) {
        const ParseResult result = ParseCommandLine(arguments);
        EXPECT_FALSE(result.Parsed) << (arguments.empty() ? "(none)" : arguments[0]);
        EXPECT_FALSE(result.Error.empty());
    }
}

TEST(CommandLine, UsageNamesEveryCommand) {
    const std::string usage = UsageText();
    for (const char* word : {"status", "raw", "capture", "updates", "--json", "--help"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace velmora::cli
