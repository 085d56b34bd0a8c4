#pragma once
// Where the update checker keeps its settings, and the texts of a failed
// access. The key lives under HKEY_CURRENT_USER; UpdateHost (machine-wide)
// under HKEY_LOCAL_MACHINE.

namespace velmora::update {

inline constexpr char kSettingsKey[] = "SOFTWARE\\VELMORA\\Corvexa";

namespace setting {
inline constexpr char UpdatesAutoCheck[] = "UpdatesAutoCheck";    // REG_DWORD, default 0
inline constexpr char UpdatesDontAsk[] = "UpdatesDontAsk";        // REG_DWORD, default 0
inline constexpr char HTTP_Proxy[] = "HTTP_Proxy";                // REG_DWORD, default 0
inline constexpr char HTTP_ProxyAddress[] = "HTTP_ProxyAddress";  // REG_SZ, default empty, never created at load
inline constexpr char HTTP_ProxyPort[] = "HTTP_ProxyPort";        // REG_DWORD (signed), default 0
inline constexpr char UpdateHost[] = "UpdateHost";                // REG_SZ, HKEY_LOCAL_MACHINE, optional
}  // namespace setting

// %s: the value's name.
inline constexpr char kInvalidDataTypeFormat[] = "Invalid data type for '%s'";
inline constexpr char kFailedToSetDataFormat[] = "Failed to set data for '%s'";
// Our own text: the key could not be opened or created.
inline constexpr char kCannotOpenKeyText[] = "Failed to open registry key 'SOFTWARE\\VELMORA\\Corvexa'";

}  // namespace velmora::update
