#pragma once
// Where a program learns that it should read a drive set instead of the
// machine: HKEY_LOCAL_MACHINE, the product's key (common/RegistryNames.h),
// value SimulatedDrives, the full path of the drive-set file. Only
// administrators can write that key, so no user can feed the service false
// data. Read once at program start.

#include <windows.h>

#include <optional>
#include <string>

namespace velmora::win {

// The configured path (system code page), REG_EXPAND_SZ expanded. None when
// the key or value is missing, empty, or not REG_SZ / REG_EXPAND_SZ: the
// machine's own drives are used then.
[[nodiscard]] std::optional<std::string> ReadSimulatedDrivesSetting();

// The same from any key; tests use a key of their own.
[[nodiscard]] std::optional<std::string> ReadSimulatedDrivesSetting(HKEY root, const char* subKey);

}  // namespace velmora::win
