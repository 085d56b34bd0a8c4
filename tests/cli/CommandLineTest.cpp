#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace velmora::cli {
namespace {

struct GoodCase {
    std::vector<std::string> Arguments;
    CommandKind Kind;
    bool Json;
    std::optional<std::string> File;
    std::optional<std::string> Drive = std::nullopt;
    std::optional<std::int64_t> Since = std::nullopt;
};

TEST(CommandLine, AcceptsEveryCommandWithItsOptions) {
    const GoodCase cases[] = {
        {{"status"}, CommandKind::Status, false, std::nullopt},
        {{"status", "--json"}, CommandKind::Status, true, std::nullopt},
        {{"updates", "--json"}, CommandKind::Updates, true, std::nullopt},
        {{"raw"}, CommandKind::Raw, false, std::nullopt},
        {{"raw", "C:\\out.txt"}, CommandKind::Raw, false, std::string("C:\\out.txt")},
        {{"capture", "set.ini"}, CommandKind::Capture, false, std::string("set.ini")},
        {{"history"}, CommandKind::History, false, std::nullopt},
        {{"history", "--since", "2026-12-08", "--json", "--drive", "VMQ5000001"}, CommandKind::History, true,
         std::nullopt, std::string("VMQ5000001"), 1796688000},
        {{"forecast", "--json"}, CommandKind::Forecast, true, std::nullopt},
        {{"metrics"}, CommandKind::Metrics, false, std::nullopt},
        {{"metrics", "--out", "C:\\m.prom"}, CommandKind::Metrics, false, std::string("C:\\m.prom")},
        {{"watch", "--now"}, CommandKind::WatchNow, false, std::nullopt},
        {{"--help"}, CommandKind::Help, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const ParseResult result = ParseCommandLine(c.Arguments);
        ASSERT_TRUE(result.Parsed) << c.Arguments[0] << ": " << result.Error;
        EXPECT_EQ(result.Parsed->Kind, c.Kind);
        EXPECT_EQ(result.Parsed->Json, c.Json);
        EXPECT_EQ(result.Parsed->File, c.File);
        EXPECT_EQ(result.Parsed->Drive, c.Drive);
        EXPECT_EQ(result.Parsed->Since, c.Since);
    }
}

TEST(CommandLine, RejectsWhatNoCommandTakes) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"stat"}, {"status", "extra"}, {"capture"}, {"capture", "a", "b"},
        {"raw", "a", "b"}, {"raw", ""}, {"updates", "--jsn"},
        {"history", "--drive"}, {"history", "--drive", ""}, {"history", "--drive", "A", "--drive", "B"},
        {"history", "--since"}, {"history", "extra"}, {"watch"}, {"watch", "--now", "extra"}, {"watch", "--later"},
        {"forecast", "extra"}, {"metrics", "--out"}, {"metrics", "--out", ""}, {"metrics", "m.prom"},
    };
    for (const auto& arguments : cases) {
        const ParseResult result = ParseCommandLine(arguments);
        EXPECT_FALSE(result.Parsed) << (arguments.empty() ? "(none)" : arguments[0]);
        EXPECT_FALSE(result.Error.empty());
    }
}

TEST(CommandLine, RefusesADayThatIsNotOnTheCalendarNamingIt) {
    for (const char* day : {"2026-02-30", "2026-12-8", "08.12.2026", "yesterday"}) {
        const ParseResult result = ParseCommandLine({"history", "--since", day});
        EXPECT_FALSE(result.Parsed) << day;
        EXPECT_EQ(result.Error, std::string("--since takes a date as YYYY-MM-DD, not '") + day + "'");
    }
}

TEST(CommandLine, UsageNamesEveryCommand) {
    const std::string usage = UsageText();
    for (const char* word : {"status", "raw", "capture", "updates", "history", "--drive", "--since", "watch --now", "metrics", "--out", "--json",
                             "--help"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace velmora::cli
