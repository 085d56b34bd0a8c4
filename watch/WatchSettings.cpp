#include "watch/WatchSettings.h"

#include "watch/WatchMessages.h"

namespace velmora::watch {

namespace {

constexpr char kOtherTypeText[] = "(a value of another type)";

std::string ValueText(const SettingValue& value) {
    switch (value.Type) {
    case SettingValue::Kind::Number: return std::to_string(value.Number);
    case SettingValue::Kind::Text: return "\"" + value.Text + "\"";
    case SettingValue::Kind::Missing:
    case SettingValue::Kind::OtherType: break;
    }
    return kOtherTypeText;
}

std::uint32_t ReadDword(SettingsReader& reader, const DwordSetting& setting, std::vector<WatchEvent>& warnings) {
    const SettingValue value = reader.Read(setting.Name);
    if (value.Type == SettingValue::Kind::Missing) return setting.Default;
    std::string why;
    if (value.Type != SettingValue::Kind::Number) {
        why = "not of the type REG_DWORD";
    } else if (value.Number < setting.Min || value.Number > setting.Max) {
        why = "out of the range " + std::to_string(setting.Min) + " to " + std::to_string(setting.Max);
    } else {
        return value.Number;
    }
    warnings.push_back(SettingDefaultEvent(setting.Name, ValueText(value), why, std::to_string(setting.Default)));
    return setting.Default;
}

std::string ReadText(SettingsReader& reader, const char* name, const char* noneText,
                     std::vector<WatchEvent>& warnings) {
    const SettingValue value = reader.Read(name);
    if (value.Type == SettingValue::Kind::Text) return value.Text;
    if (value.Type != SettingValue::Kind::Missing)
        warnings.push_back(SettingDefaultEvent(name, ValueText(value), "not of the type REG_SZ", noneText));
    return {};
}

}  // namespace

LoadedSettings LoadWatchSettings(SettingsReader& reader) {
    LoadedSettings loaded;
    loaded.Settings.IntervalMinutes = ReadDword(reader, kIntervalMinutesSetting, loaded.Warnings);
    loaded.Settings.HistoryDays = ReadDword(reader, kHistoryDaysSetting, loaded.Warnings);
    loaded.Settings.AlertCommand = ReadText(reader, kAlertCommandValue, "(no command)", loaded.Warnings);
    loaded.Settings.MetricsFile = ReadText(reader, kMetricsFileValue, "(no file)", loaded.Warnings);
    return loaded;
}

}  // namespace velmora::watch
