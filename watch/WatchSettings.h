#pragma once
// The watch's settings from the product's key (HKEY_LOCAL_MACHINE), read
// once at start. A missing value takes its default silently; a value out of
// range or of the wrong type takes its default and gives a warning event
// (1009) naming the setting and the value.
//
//   WatchIntervalMinutes  REG_DWORD 1..1440, default 60: minutes between samples
//   HistoryDays           REG_DWORD 1..36500, default 1095: days a sample is kept
//   AlertCommand          REG_SZ, default empty: the command run for alerts; empty runs none
//   MetricsFile           REG_SZ, default empty: the file the metrics are written to after
//                         every sample; empty writes none

#include <cstdint>
#include <string>
#include <vector>

#include "common/RegistryNames.h"
#include "watch/WatchEvent.h"

namespace velmora::watch {

struct DwordSetting {
    const char* Name;
    std::uint32_t Min;
    std::uint32_t Max;
    std::uint32_t Default;
};

inline constexpr DwordSetting kIntervalMinutesSetting{kWatchIntervalMinutesValue, 1, 1440, 60};
// Up to a hundred years: a sane ceiling that still lets an administrator keep everything.
inline constexpr DwordSetting kHistoryDaysSetting{kHistoryDaysValue, 1, 36500, 1095};

struct WatchSettings {
    std::uint32_t IntervalMinutes = kIntervalMinutesSetting.Default;
    std::uint32_t HistoryDays = kHistoryDaysSetting.Default;
    std::string AlertCommand;
    std::string MetricsFile;
};

struct LoadedSettings {
    WatchSettings Settings;
    std::vector<WatchEvent> Warnings;  // one 1009 event per value replaced by its default
};

[[nodiscard]] LoadedSettings LoadWatchSettings(SettingsReader& reader);

}  // namespace velmora::watch
