#include "watch/WatchSettings.h"

#include <gtest/gtest.h>

#include <map>

namespace velmora::watch {
namespace {

class MapSettingsReader final : public SettingsReader {
public:
    std::map<std::string, SettingValue> Values;
    SettingValue Read(const char* name) override {
        const auto found = Values.find(name);
        return found == Values.end() ? SettingValue{} : found->second;
    }
};

SettingValue Number(std::uint32_t n) { return {SettingValue::Kind::Number, n, {}}; }
SettingValue Text(std::string text) { return {SettingValue::Kind::Text, 0, std::move(text)}; }
const SettingValue kOther{SettingValue::Kind::OtherType, 0, {}};

TEST(WatchSettings, ValuesInRangeAreUsedAndOthersGiveTheDefaultWithAWarning) {
    const struct {
        const char* Name;
        const char* Setting;
        SettingValue Value;
        std::uint32_t Interval;
        std::uint32_t Days;
        const char* Warning;  // empty: none
    } cases[] = {
        {"missing", "WatchIntervalMinutes", {}, 60, 1095, ""},
        {"lowest interval", "WatchIntervalMinutes", Number(1), 1, 1095, ""},
        {"highest interval", "WatchIntervalMinutes", Number(1440), 1440, 1095, ""},
        {"interval 0", "WatchIntervalMinutes", Number(0), 60, 1095,
         "The setting WatchIntervalMinutes has the value 0, which is out of the range 1 to 1440; the default 60 is "
         "used."},
        {"interval 1441", "WatchIntervalMinutes", Number(1441), 60, 1095,
         "The setting WatchIntervalMinutes has the value 1441, which is out of the range 1 to 1440; the default 60 is "
         "used."},
        {"interval as text", "WatchIntervalMinutes", Text("30"), 60, 1095,
         "The setting WatchIntervalMinutes has the value \"30\", which is not of the type REG_DWORD; the default 60 is "
         "used."},
        {"highest history", "HistoryDays", Number(36500), 60, 36500, ""},
        {"history 0", "HistoryDays", Number(0), 60, 1095,
         "The setting HistoryDays has the value 0, which is out of the range 1 to 36500; the default 1095 is used."},
        {"alert command of another type", "AlertCommand", kOther, 60, 1095,
         "The setting AlertCommand has the value (a value of another type), which is not of the type REG_SZ; the "
         "default (no command) is used."},
        {"metrics file of another type", "MetricsFile", kOther, 60, 1095,
         "The setting MetricsFile has the value (a value of another type), which is not of the type REG_SZ; the "
         "default (no file) is used."},
    };
    for (const auto& c : cases) {
        MapSettingsReader reader;
        reader.Values[c.Setting] = c.Value;
        const LoadedSettings loaded = LoadWatchSettings(reader);
        EXPECT_EQ(loaded.Settings.IntervalMinutes, c.Interval) << c.Name;
        EXPECT_EQ(loaded.Settings.HistoryDays, c.Days) << c.Name;
        if (c.Warning[0] == '\0') {
            EXPECT_TRUE(loaded.Warnings.empty()) << c.Name;
            continue;
        }
        ASSERT_EQ(loaded.Warnings.size(), 1u) << c.Name;
        EXPECT_EQ(loaded.Warnings[0].Id, EventId::SettingDefault);
        EXPECT_EQ(loaded.Warnings[0].Message, c.Warning);
    }
}

TEST(WatchSettings, TextsAreTakenAsWritten) {
    MapSettingsReader reader;
    reader.Values["AlertCommand"] = Text("C:\\Tools\\notify.cmd \"drive\"");
    reader.Values["MetricsFile"] = Text("C:\\exporter\\textfile_inputs\\velmora_ssd.prom");
    const WatchSettings settings = LoadWatchSettings(reader).Settings;
    EXPECT_EQ(settings.AlertCommand, "C:\\Tools\\notify.cmd \"drive\"");
    EXPECT_EQ(settings.MetricsFile, "C:\\exporter\\textfile_inputs\\velmora_ssd.prom");
}

}  // namespace
}  // namespace velmora::watch
