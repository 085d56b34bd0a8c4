#pragma once
// The product's registry key and the values the drive core reads from it.
// The same path holds each user's settings (HKEY_CURRENT_USER, names in
// update/SettingsNames.h) and the machine-wide values (HKEY_LOCAL_MACHINE,
// 64-bit view, writable by administrators only). Every program, script and
// guide names this one key.

namespace velmora {

inline constexpr char kRegistryKeyPath[] = "SOFTWARE\\VELMORA\\Corvexa";

// HKEY_LOCAL_MACHINE. REG_SZ, or REG_EXPAND_SZ with its variables expanded:
// the full path of a drive-set file. Any other type, or an empty text, means
// the machine's own drives.
inline constexpr char kSimulatedDrivesValue[] = "SimulatedDrives";

}  // namespace velmora

namespace velmora {

// HKEY_LOCAL_MACHINE, read by the health watch at start.
inline constexpr char kWatchIntervalMinutesValue[] = "WatchIntervalMinutes";  // REG_DWORD 1..1440, default 60
inline constexpr char kHistoryDaysValue[] = "HistoryDays";                    // REG_DWORD, default 1095
inline constexpr char kAlertCommandValue[] = "AlertCommand";                  // REG_SZ, empty: none
inline constexpr char kMetricsFileValue[] = "MetricsFile";                    // REG_SZ, empty: none

}  // namespace velmora
